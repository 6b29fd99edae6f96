#include "AudioLibraries.h"

#include <dlfcn.h>

#include <string>

namespace sonquill::lib {

namespace {

// One shared library and the functions taken from it; a function is null when the library or
// the symbol is missing, and problem() says why.
class Library
{
public:
    explicit Library(const char *fileName)
        : m_handle(::dlopen(fileName, RTLD_NOW | RTLD_LOCAL)), m_fileName(fileName)
    {
        if (!m_handle)
            note(::dlerror());
    }
    // Kept open to the end of the process: the functions taken from it stay valid.

    template <typename Function> void resolve(Function *&function, const char *symbol)
    {
        function = nullptr;
        if (!m_handle)
            return;
        // POSIX guarantees that dlsym's result converts to the function's pointer type.
        function = reinterpret_cast<Function *>(::dlsym(m_handle, symbol));
        if (!function)
            note(::dlerror());
    }

    const char *problem() const { return m_problem.c_str(); }

private:
    void note(const char *reason)
    {
        if (m_problem.empty())
            m_problem = std::string(m_fileName) + " cannot be loaded: " + (reason ? reason : "");
    }

    void *m_handle;
    const char *m_fileName;
    std::string m_problem;
};

struct SndFile
{
    SndFile()
    {
        library.resolve(open, "sf_open");
        library.resolve(openFd, "sf_open_fd");
        library.resolve(close, "sf_close");
        library.resolve(error, "sf_error");
        library.resolve(strerror, "sf_strerror");
        library.resolve(errorNumber, "sf_error_number");
        library.resolve(command, "sf_command");
        library.resolve(seek, "sf_seek");
        library.resolve(readFloat, "sf_readf_float");
        library.resolve(writeFloat, "sf_writef_float");
    }

    Library library{"libsndfile.so.1"};
    decltype(::sf_open) *open;
    decltype(::sf_open_fd) *openFd;
    decltype(::sf_close) *close;
    decltype(::sf_error) *error;
    decltype(::sf_strerror) *strerror;
    decltype(::sf_error_number) *errorNumber;
    decltype(::sf_command) *command;
    decltype(::sf_seek) *seek;
    decltype(::sf_readf_float) *readFloat;
    decltype(::sf_writef_float) *writeFloat;
};

struct Ebur128
{
    Ebur128()
    {
        library.resolve(init, "ebur128_init");
        library.resolve(destroy, "ebur128_destroy");
        library.resolve(addFloat, "ebur128_add_frames_float");
        library.resolve(loudnessGlobal, "ebur128_loudness_global");
    }

    Library library{"libebur128.so.1"};
    decltype(::ebur128_init) *init;
    decltype(::ebur128_destroy) *destroy;
    decltype(::ebur128_add_frames_float) *addFloat;
    decltype(::ebur128_loudness_global) *loudnessGlobal;
};

struct Soxr
{
    Soxr()
    {
        library.resolve(qualitySpec, "soxr_quality_spec");
        library.resolve(oneshot, "soxr_oneshot");
    }

    Library library{"libsoxr.so.0"};
    decltype(::soxr_quality_spec) *qualitySpec;
    decltype(::soxr_oneshot) *oneshot;
};

// Opened by the first call of any thread; the initialisation of a static is thread-safe.
const SndFile &sndFile()
{
    static const SndFile library;
    return library;
}

const Ebur128 &ebur128()
{
    static const Ebur128 library;
    return library;
}

const Soxr &soxr()
{
    static const Soxr library;
    return library;
}

} // namespace

SNDFILE *sf_open(const char *path, int mode, SF_INFO *info)
{
    return sndFile().open ? sndFile().open(path, mode, info) : nullptr;
}

SNDFILE *sf_open_fd(int descriptor, int mode, SF_INFO *info, int closeDescriptor)
{
    return sndFile().openFd ? sndFile().openFd(descriptor, mode, info, closeDescriptor) : nullptr;
}

int sf_close(SNDFILE *sound)
{
    return sndFile().close ? sndFile().close(sound) : SF_ERR_UNSUPPORTED_ENCODING;
}

int sf_error(SNDFILE *sound)
{
    return sndFile().error ? sndFile().error(sound) : SF_ERR_UNSUPPORTED_ENCODING;
}

const char *sf_strerror(SNDFILE *sound)
{
    return sndFile().strerror ? sndFile().strerror(sound) : sndFile().library.problem();
}

const char *sf_error_number(int number)
{
    return sndFile().errorNumber ? sndFile().errorNumber(number) : sndFile().library.problem();
}

int sf_command(SNDFILE *sound, int command, void *data, int size)
{
    return sndFile().command ? sndFile().command(sound, command, data, size) : -1;
}

sf_count_t sf_seek(SNDFILE *sound, sf_count_t frames, int whence)
{
    return sndFile().seek ? sndFile().seek(sound, frames, whence) : -1;
}

sf_count_t sf_readf_float(SNDFILE *sound, float *samples, sf_count_t frames)
{
    return sndFile().readFloat ? sndFile().readFloat(sound, samples, frames) : 0;
}

sf_count_t sf_writef_float(SNDFILE *sound, const float *samples, sf_count_t frames)
{
    return sndFile().writeFloat ? sndFile().writeFloat(sound, samples, frames) : 0;
}

ebur128_state *ebur128_init(unsigned channels, unsigned long sampleRate, int mode)
{
    return ebur128().init ? ebur128().init(channels, sampleRate, mode) : nullptr;
}

void ebur128_destroy(ebur128_state **state)
{
    if (ebur128().destroy)
        ebur128().destroy(state);
}

int ebur128_add_frames_float(ebur128_state *state, const float *samples, size_t frames)
{
    return ebur128().addFloat ? ebur128().addFloat(state, samples, frames) : EBUR128_ERROR_NOMEM;
}

int ebur128_loudness_global(ebur128_state *state, double *loudness)
{
    return ebur128().loudnessGlobal ? ebur128().loudnessGlobal(state, loudness)
                                    : EBUR128_ERROR_NOMEM;
}

soxr_quality_spec_t soxr_quality_spec(unsigned long recipe, unsigned long flags)
{
    return soxr().qualitySpec ? soxr().qualitySpec(recipe, flags) : soxr_quality_spec_t{};
}

soxr_error_t soxr_oneshot(double inputRate, double outputRate, unsigned channels, soxr_in_t input,
                          size_t inputFrames, size_t *inputUsed, soxr_out_t output,
                          size_t outputFrames, size_t *outputMade, const soxr_io_spec_t *ioSpec,
                          const soxr_quality_spec_t *qualitySpec,
                          const soxr_runtime_spec_t *runtimeSpec)
{
    if (!soxr().oneshot)
        return soxr().library.problem();
    return soxr().oneshot(inputRate, outputRate, channels, input, inputFrames, inputUsed, output,
                          outputFrames, outputMade, ioSpec, qualitySpec, runtimeSpec);
}

} // namespace sonquill::lib
