// Test tracks: tones and noise written as Ogg Vorbis into a scratch folder.
//
//   TrackFolder folder("my_test");                       // removed with its files at scope end
//   auto samples = toneSamples(44100, 2, 44100, 1000.0, 0.5);
//   std::string path = folder.write("tone.ogg", samples, 2, 44100);
//   std::vector<float> all = decodeWholeFile(path, &channels, &rate);   // plain libvorbisfile, one pass
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ziv::test {

// Frequency at the centre of analysis band k.
double bandCentreHz(int band);
std::vector<float> toneSamples(int frames, int channels, int rate, double hz, double amplitude);
// Deterministic white noise, different in each channel.
std::vector<float> noiseSamples(int frames, int channels, double amplitude, uint32_t seed);
// Every sample of one pass through the file, interleaved, decoded by libvorbisfile alone.
std::vector<float> decodeWholeFile(const std::string& path, int* channels, long* rate);
// Every frame of one pass as the track reader gives it (interleaved); fails the calling test if it cannot open.
std::vector<float> readerPass(const std::string& path, int* channels);

class TrackFolder {
public:
    explicit TrackFolder(const char* name);
    ~TrackFolder();
    TrackFolder(const TrackFolder&) = delete;
    TrackFolder& operator=(const TrackFolder&) = delete;
    std::string path(const char* file) const;
    // Encodes and returns the path; fails the calling test if encoding fails.
    std::string write(const char* file, const std::vector<float>& samples, int channels, int rate);
    std::string writeBytes(const char* file, const std::vector<char>& bytes);
private:
    std::filesystem::path dir_;
};

std::vector<char> fileBytes(const std::string& path);

}  // namespace ziv::test
