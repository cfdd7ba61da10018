#include "pictures/picture_bank.h"

#include <cstdio>
#include <cstdlib>

#include "pictures/pcx_decoder.h"
#include "pictures/picture_blocks.h"

Picture Picture1, Picture2, Picture3, Picture4, Picture5, Picture6, Picture7, Picture8;
Picture PictureSetA[kPictureSetASize];
Picture PictureSetB[kPictureSetBSize];

namespace {

struct {
    StreamOpener opener = openMemoryStream;
    // close() releases nothing and the show never destroys a stream: like the
    // blocks they read, the streams live as long as the process, and holding them
    // here keeps them reachable. A second load (benchmarks) releases the first load's.
    MemoryStream* streams[kPictureBankSize] = {};
} bank_state;

// Picture2 and Picture5 share block 2; from Picture6 on, every block is one further.
const PictureDecodeStep kDecodeSteps[kPictureBankSize] = {
    {&Picture1, 1, "Picture1"},
    {&Picture2, 2, "Picture2"},
    {&Picture3, 3, "Picture3"},
    {&Picture4, 4, "Picture4"},
    {&Picture5, 2, "Picture5"},
    {&Picture6, 5, "Picture6"},
    {&Picture7, 6, "Picture7"},
    {&PictureSetA[0], 7, "PictureSetA[0]"},
    {&PictureSetA[1], 8, "PictureSetA[1]"},
    {&PictureSetA[2], 9, "PictureSetA[2]"},
    {&PictureSetA[3], 10, "PictureSetA[3]"},
    {&PictureSetA[4], 11, "PictureSetA[4]"},
    {&PictureSetA[5], 12, "PictureSetA[5]"},
    {&PictureSetA[6], 13, "PictureSetA[6]"},
    {&PictureSetA[7], 14, "PictureSetA[7]"},
    {&PictureSetA[8], 15, "PictureSetA[8]"},
    {&PictureSetB[0], 16, "PictureSetB[0]"},
    {&PictureSetB[1], 17, "PictureSetB[1]"},
    {&PictureSetB[2], 18, "PictureSetB[2]"},
    {&PictureSetB[3], 19, "PictureSetB[3]"},
    {&PictureSetB[4], 20, "PictureSetB[4]"},
    {&PictureSetB[5], 21, "PictureSetB[5]"},
    {&PictureSetB[6], 22, "PictureSetB[6]"},
    {&PictureSetB[7], 23, "PictureSetB[7]"},
    {&PictureSetB[8], 24, "PictureSetB[8]"},
    {&PictureSetB[9], 25, "PictureSetB[9]"},
    {&PictureSetB[10], 26, "PictureSetB[10]"},
    {&PictureSetB[11], 27, "PictureSetB[11]"},
    {&PictureSetB[12], 28, "PictureSetB[12]"},
    {&PictureSetB[13], 29, "PictureSetB[13]"},
    {&PictureSetB[14], 30, "PictureSetB[14]"},
    {&PictureSetB[15], 31, "PictureSetB[15]"},
    {&PictureSetB[16], 32, "PictureSetB[16]"},
    {&PictureSetB[17], 33, "PictureSetB[17]"},
    {&PictureSetB[18], 34, "PictureSetB[18]"},
    {&Picture8, 35, "Picture8"},
};

}  // namespace

const PictureDecodeStep* pictureDecodeSteps() { return kDecodeSteps; }

void useStreamOpener(StreamOpener opener) { bank_state.opener = opener ? opener : openMemoryStream; }

void loadPictureBank() {
    for (int i = 0; i < kPictureBankSize; ++i) {
        const PictureDecodeStep& step = kDecodeSteps[i];
        const PictureSource& source = kPictureBlocks[step.block - 1];
        delete bank_state.streams[i];
        bank_state.streams[i] = nullptr;
        MemoryStream* stream = bank_state.opener(source.data, source.size);
        // Only a failed allocation gives no stream; without its pictures the show
        // cannot run, so it stops here before anything else starts.
        if (stream == nullptr) {
            std::fprintf(stderr, "ziv: cannot open picture block %d (%s): out of memory\n", step.block, step.name);
            std::exit(EXIT_FAILURE);
        }
        bank_state.streams[i] = stream;
        decodePcx(stream, kPictureWidth, kPictureHeight, step.picture->data());
    }
}
