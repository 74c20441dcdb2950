// Audio file reading and writing through libsndfile.
#pragma once

#include "pending_output.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag; // libsndfile's SNDFILE

// The libsndfile format for an output path, chosen by its extension: .wav/.wave, .aif/.aiff,
// .au and .caf hold 32-bit float, .flac 24-bit integers, .ogg Vorbis. Throws UsageError
// for any other extension.
int outputFormatFor(const std::string& path);

// A file of any format libsndfile reads, read as interleaved float frames.
class SoundFileReader {
public:
    // Throws std::runtime_error when the file is missing or not audio.
    explicit SoundFileReader(const std::string& path);
    ~SoundFileReader();

    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    int channels() const { return channelCount; }
    int sampleRate() const { return rate; }
    std::int64_t frames() const { return frameCount; }

    // Reads up to `frames` frames; returns how many it read, 0 at the end of the file.
    std::int64_t read(float* interleaved, std::int64_t frames);
    // The rest of the file, interleaved.
    std::vector<float> readAll();

private:
    std::string path;
    sf_private_tag* file = nullptr;
    int channelCount = 0;
    int rate = 0;
    std::int64_t frameCount = 0;
};

// An audio file that appears under its name only once completely written (see
// PendingOutput); abandoned without commit(), it leaves nothing behind.
class AudioFileOutput {
public:
    // Throws UsageError for an unknown extension, std::runtime_error when the format cannot
    // hold these channels at this rate or the file cannot be created.
    AudioFileOutput(const std::string& path, int channels, int sampleRate);
    ~AudioFileOutput();

    AudioFileOutput(const AudioFileOutput&) = delete;
    AudioFileOutput& operator=(const AudioFileOutput&) = delete;

    void write(const float* interleaved, std::int64_t frames);
    // Finishes the file and moves it to its name.
    void commit();

private:
    void closeFile();

    int format; // first: an unknown extension must fail before any file is made
    PendingOutput pending;
    sf_private_tag* file = nullptr;
};
