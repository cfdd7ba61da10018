// Capturing what a PulseAudio (or PipeWire's pulse) server plays: mono
// float samples at a given rate from a source, by default the monitor of
// the default output.
//
//   std::string why;
//   PulseCapture* c = openPulseCapture(nullptr, 44100, &why);   // null: why says what is wrong
//   float samples[256];
//   if (!readPulseCapture(c, samples, 256, &why)) ...            // blocks until they arrive
//   closePulseCapture(c);
#pragma once
#include <string>

struct PulseCapture;

// source: a source's name, or null/empty for the default output's monitor. A server
// that does not answer within a few seconds is given up ("did not answer within 5 s").
PulseCapture* openPulseCapture(const char* source, int rate, std::string* why);
bool readPulseCapture(PulseCapture* capture, float* mono, int frames, std::string* why);
void closePulseCapture(PulseCapture* capture);
