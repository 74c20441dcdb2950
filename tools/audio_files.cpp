#include "audio_files.h"

#include "usage_error.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

std::string lowerCaseExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string sndfileError(SNDFILE* file) {
    return sf_strerror(file);
}

} // namespace

int outputFormatFor(const std::string& path) {
    static const struct {
        const char* extension;
        int format;
    } kFormats[] = {
        {"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},    {"wave", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},   {"aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, {"au", SF_FORMAT_AU | SF_FORMAT_FLOAT},
        {"caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT},    {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    };
    const std::string extension = lowerCaseExtension(path);
    for (const auto& f : kFormats)
        if (extension == f.extension) return f.format;
    throw UsageError("cannot tell the output format of '" + path +
                     "' (use .wav, .aiff, .flac, .au, .caf or .ogg)");
}

SoundFileReader::SoundFileReader(const std::string& path) : path(path) {
    SF_INFO info{};
    // libsndfile words a missing file as "System error : ..."; the system's own words are
    // clearer.
    if (access(path.c_str(), R_OK) != 0)
        throw std::runtime_error("cannot read '" + path + "': " + std::strerror(errno));
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) throw std::runtime_error("cannot read '" + path + "': " + sndfileError(nullptr));
    channelCount = info.channels;
    rate = info.samplerate;
    frameCount = info.frames;
}

SoundFileReader::~SoundFileReader() {
    sf_close(file);
}

std::int64_t SoundFileReader::read(float* interleaved, std::int64_t frames) {
    const sf_count_t got = sf_readf_float(file, interleaved, frames);
    if (got < frames && sf_error(file) != SF_ERR_NO_ERROR)
        throw std::runtime_error("cannot read '" + path + "': " + sndfileError(file));
    return got;
}

std::vector<float> SoundFileReader::readAll() {
    std::vector<float> samples;
    constexpr std::int64_t kChunk = 65536;
    std::vector<float> chunk(static_cast<std::size_t>(kChunk * channelCount));
    while (const std::int64_t got = read(chunk.data(), kChunk))
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + got * channelCount);
    return samples;
}

AudioFileOutput::AudioFileOutput(const std::string& path, int channels, int sampleRate)
    : format(outputFormatFor(path)), pending(path) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = format;
    if (!sf_format_check(&info))
        throw std::runtime_error("cannot write '" + path + "': this format cannot hold " +
                                 std::to_string(channels) + " channels at " +
                                 std::to_string(sampleRate) + " Hz here");
    file = sf_open_fd(pending.releaseDescriptor(), SFM_WRITE, &info, SF_TRUE);
    if (!file) throw std::runtime_error("cannot write '" + path + "': " + sndfileError(nullptr));
    // Integer formats clip overs instead of wrapping them around.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioFileOutput::~AudioFileOutput() {
    closeFile();
}

void AudioFileOutput::write(const float* interleaved, std::int64_t frames) {
    if (sf_writef_float(file, interleaved, frames) != frames)
        throw std::runtime_error("cannot write '" + pending.destination() +
                                 "': " + sndfileError(file));
}

void AudioFileOutput::commit() {
    const int status = file ? sf_close(file) : SF_ERR_NO_ERROR;
    file = nullptr;
    if (status != SF_ERR_NO_ERROR)
        throw std::runtime_error("cannot write '" + pending.destination() +
                                 "': " + sf_error_number(status));
    pending.commit();
}

void AudioFileOutput::closeFile() {
    if (file) sf_close(file);
    file = nullptr;
}
