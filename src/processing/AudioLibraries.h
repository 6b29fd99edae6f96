#pragma once

// The sound libraries are opened on first use rather than at start: a run with nothing to
// make, and every command that reads no sound, then never maps libsndfile, libebur128, libsoxr
// and the codecs they bring, which cost a command of a few milliseconds a good part of its
// time. The calls below have the libraries' own signatures; when a library cannot be opened
// they fail as the library itself fails, and sf_strerror() says which library is missing.

#include <ebur128.h>
#include <sndfile.h>
#include <soxr.h>

namespace sonquill::lib {

SNDFILE *sf_open(const char *path, int mode, SF_INFO *info);
SNDFILE *sf_open_fd(int descriptor, int mode, SF_INFO *info, int closeDescriptor);
int sf_close(SNDFILE *sound);
int sf_error(SNDFILE *sound);
const char *sf_strerror(SNDFILE *sound);
const char *sf_error_number(int number);
int sf_command(SNDFILE *sound, int command, void *data, int size);
sf_count_t sf_seek(SNDFILE *sound, sf_count_t frames, int whence);
sf_count_t sf_readf_float(SNDFILE *sound, float *samples, sf_count_t frames);
sf_count_t sf_writef_float(SNDFILE *sound, const float *samples, sf_count_t frames);

ebur128_state *ebur128_init(unsigned channels, unsigned long sampleRate, int mode);
void ebur128_destroy(ebur128_state **state);
int ebur128_add_frames_float(ebur128_state *state, const float *samples, size_t frames);
int ebur128_loudness_global(ebur128_state *state, double *loudness);

soxr_quality_spec_t soxr_quality_spec(unsigned long recipe, unsigned long flags);
soxr_error_t soxr_oneshot(double inputRate, double outputRate, unsigned channels, soxr_in_t input,
                          size_t inputFrames, size_t *inputUsed, soxr_out_t output,
                          size_t outputFrames, size_t *outputMade, const soxr_io_spec_t *ioSpec,
                          const soxr_quality_spec_t *qualitySpec,
                          const soxr_runtime_spec_t *runtimeSpec);

} // namespace sonquill::lib
