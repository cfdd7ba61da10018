#include "audio/channel_mix.h"

#include <algorithm>
#include <cstddef>

namespace {

using S = Speaker;

// Vorbis's order for one to eight channels.
constexpr Speaker kShowOrder[kLaidOutChannels][kLaidOutChannels] = {
    {S::FrontCentre},
    {S::FrontLeft, S::FrontRight},
    {S::FrontLeft, S::FrontCentre, S::FrontRight},
    {S::FrontLeft, S::FrontRight, S::BackLeft, S::BackRight},
    {S::FrontLeft, S::FrontCentre, S::FrontRight, S::BackLeft, S::BackRight},
    {S::FrontLeft, S::FrontCentre, S::FrontRight, S::BackLeft, S::BackRight, S::Lfe},
    {S::FrontLeft, S::FrontCentre, S::FrontRight, S::SideLeft, S::SideRight, S::BackCentre, S::Lfe},
    {S::FrontLeft, S::FrontCentre, S::FrontRight, S::SideLeft, S::SideRight, S::BackLeft, S::BackRight, S::Lfe},
};

constexpr float kMinus3dB = 0.70710678f;
constexpr float kMinus6dB = 0.5f;

struct SideWeights {
    float left, right;
};

SideWeights weightsOf(Speaker s) {
    switch (s) {
        case S::FrontLeft: return {1.0f, 0.0f};
        case S::FrontRight: return {0.0f, 1.0f};
        case S::FrontCentre: return {kMinus3dB, kMinus3dB};
        case S::BackLeft:
        case S::SideLeft: return {kMinus3dB, 0.0f};
        case S::BackRight:
        case S::SideRight: return {0.0f, kMinus3dB};
        case S::BackCentre: return {kMinus6dB, kMinus6dB};
        case S::Lfe: break;
    }
    return {0.0f, 0.0f};
}

// A mono track is its own centre: both sides at full level.
SideWeights weightsAt(int channels, int index) {
    return channels == 1 ? SideWeights{1.0f, 1.0f} : weightsOf(speakerOf(channels, index));
}

const char* nameOf(Speaker s) {
    switch (s) {
        case S::FrontLeft: return "FL";
        case S::FrontRight: return "FR";
        case S::FrontCentre: return "FC";
        case S::Lfe: return "LFE";
        case S::BackLeft: return "BL";
        case S::BackRight: return "BR";
        case S::BackCentre: return "BC";
        case S::SideLeft: return "SL";
        case S::SideRight: return "SR";
    }
    return "";
}

// For each channel in rising mask order, its index in the show's order.
void maskOrderIndices(int channels, int* indices) {
    for (int i = 0; i < channels; ++i) indices[i] = i;
    std::sort(indices, indices + channels, [channels](int a, int b) {
        return static_cast<int>(speakerOf(channels, a)) < static_cast<int>(speakerOf(channels, b));
    });
}

}  // namespace

Speaker speakerOf(int channels, int index) { return kShowOrder[channels - 1][index]; }

void downmixToStereo(const float* in, int channels, int frames, float* stereo) {
    if (channels > kLaidOutChannels) {
        for (int i = 0; i < frames; ++i) {
            double sum = 0.0;
            for (int c = 0; c < channels; ++c) sum += in[static_cast<size_t>(i) * channels + c];
            stereo[2 * i] = stereo[2 * i + 1] = static_cast<float>(sum / channels);
        }
        return;
    }
    float left[kLaidOutChannels], right[kLaidOutChannels];
    float leftSum = 0.0f, rightSum = 0.0f;
    for (int c = 0; c < channels; ++c) {
        const SideWeights w = weightsAt(channels, c);
        left[c] = w.left;
        right[c] = w.right;
        leftSum += w.left;
        rightSum += w.right;
    }
    for (int i = 0; i < frames; ++i) {
        const float* frame = in + static_cast<size_t>(i) * channels;
        float l = 0.0f, r = 0.0f;
        for (int c = 0; c < channels; ++c) {
            l += frame[c] * left[c];
            r += frame[c] * right[c];
        }
        stereo[2 * i] = l / leftSum;
        stereo[2 * i + 1] = r / rightSum;
    }
}

float monoOf(const float* frame, int channels) {
    double sum = 0.0;
    if (channels > kLaidOutChannels) {
        for (int c = 0; c < channels; ++c) sum += frame[c];
        return static_cast<float>(sum / channels);
    }
    // Both sides of the stereo mix together: a stereo track's mono is (left + right) / 2.
    double weights = 0.0;
    for (int c = 0; c < channels; ++c) {
        const SideWeights w = weightsAt(channels, c);
        const double both = static_cast<double>(w.left) + static_cast<double>(w.right);
        sum += frame[c] * both;
        weights += both;
    }
    return static_cast<float>(sum / weights);
}

std::string layoutDescription(int channels) {
    if (channels < 1 || channels > kLaidOutChannels) return "";
    int order[kLaidOutChannels];
    maskOrderIndices(channels, order);
    std::string text;
    for (int i = 0; i < channels; ++i) text += (i ? "+" : "") + std::string(nameOf(speakerOf(channels, order[i])));
    return text;
}

void toMaskOrder(const float* in, int channels, int frames, float* out) {
    int order[kLaidOutChannels];
    const bool laidOut = channels >= 1 && channels <= kLaidOutChannels;
    if (laidOut) maskOrderIndices(channels, order);
    for (int i = 0; i < frames; ++i) {
        const float* frame = in + static_cast<size_t>(i) * channels;
        float* to = out + static_cast<size_t>(i) * channels;
        for (int c = 0; c < channels; ++c) to[c] = frame[laidOut ? order[c] : c];
    }
}
