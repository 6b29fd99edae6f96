#include "SoundFile.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include "AudioLibraries.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sonquill {

namespace {

// libsndfile keeps the reason of a failed open in one global; opens are serialised so that
// each failure is described by its own reason.
QMutex openMutex;

QString libraryProblem(SNDFILE *sound)
{
    QString text = QString::fromUtf8(lib::sf_strerror(sound)).trimmed();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.isEmpty() ? QStringLiteral("the sound cannot be read") : text;
}

SNDFILE *handle(void *sound)
{
    return static_cast<SNDFILE *>(sound);
}

} // namespace

SoundReader::SoundReader(const QString &path)
{
    SF_INFO info{};
#ifdef Q_OS_UNIX
    // Opened without waiting and looked at before libsndfile reads: a pipe would block for good.
    m_descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_descriptor < 0) {
        m_problem = QStringLiteral("it cannot be opened: ") + qt_error_string(errno);
        return;
    }
    struct stat status
    {};
    if (::fstat(m_descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        m_problem = QStringLiteral("it is not a regular file (a pipe or a device)");
        return;
    }
    const int flags = ::fcntl(m_descriptor, F_GETFL);
    if (flags != -1)
        ::fcntl(m_descriptor, F_SETFL, flags & ~O_NONBLOCK);
    {
        const QMutexLocker lock(&openMutex);
        m_sound = lib::sf_open_fd(m_descriptor, SFM_READ, &info, SF_FALSE);
        if (!m_sound)
            m_problem = libraryProblem(nullptr);
    }
#else
    {
        const QMutexLocker lock(&openMutex);
        // libsndfile takes UTF-8 file names on Windows.
        m_sound = lib::sf_open(path.toUtf8().constData(), SFM_READ, &info);
        if (!m_sound)
            m_problem = libraryProblem(nullptr);
    }
#endif
    if (!m_sound)
        return;
    m_channels = info.channels;
    m_sampleRate = info.samplerate;
    m_format = info.format;
    m_frames = info.frames;
}

SoundReader::~SoundReader()
{
    if (m_sound)
        lib::sf_close(handle(m_sound));
#ifdef Q_OS_UNIX
    if (m_descriptor >= 0)
        ::close(m_descriptor);
#endif
}

qint64 SoundReader::read(float *out, qint64 frames)
{
    if (!m_sound || m_channels <= 0)
        return -1;
    const sf_count_t got = lib::sf_readf_float(handle(m_sound), out, frames);
    if (got == 0 && lib::sf_error(handle(m_sound)) != SF_ERR_NO_ERROR) {
        m_problem = libraryProblem(handle(m_sound));
        return -1;
    }
    return got;
}

bool SoundReader::seek(qint64 first)
{
    return m_sound && lib::sf_seek(handle(m_sound), first, SEEK_SET) == first;
}

WavWriter::WavWriter(const QString &path, int channels, int sampleRate, int subtype)
{
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = SF_FORMAT_WAV | subtype;
#ifdef Q_OS_UNIX
    // O_EXCL: a name someone put there first (a link, say) is never written through.
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        m_problem = qt_error_string(errno);
        return;
    }
    {
        const QMutexLocker lock(&openMutex);
        m_sound = lib::sf_open_fd(descriptor, SFM_WRITE, &info, SF_TRUE);
        if (!m_sound)
            m_problem = libraryProblem(nullptr);
    }
    if (!m_sound) {
        ::close(descriptor);
        ::unlink(QFile::encodeName(path).constData());
        return;
    }
#else
    {
        const QMutexLocker lock(&openMutex);
        m_sound = lib::sf_open(path.toUtf8().constData(), SFM_WRITE, &info);
        if (!m_sound)
            m_problem = libraryProblem(nullptr);
    }
    if (!m_sound)
        return;
#endif
    lib::sf_command(handle(m_sound), SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

WavWriter::~WavWriter()
{
    if (m_sound)
        lib::sf_close(handle(m_sound));
}

bool WavWriter::write(const float *samples, qint64 frames)
{
    if (!m_sound)
        return false;
    if (lib::sf_writef_float(handle(m_sound), samples, frames) == frames)
        return true;
    m_problem = libraryProblem(handle(m_sound));
    return false;
}

bool WavWriter::close()
{
    if (!m_sound)
        return false;
    // The header's sizes are written at the close; a full disk shows there too.
    const int error = lib::sf_error(handle(m_sound));
    if (error != SF_ERR_NO_ERROR)
        m_problem = libraryProblem(handle(m_sound));
    const int closed = lib::sf_close(handle(m_sound));
    m_sound = nullptr;
    if (closed != 0 && m_problem.isEmpty())
        m_problem = QString::fromUtf8(lib::sf_error_number(closed));
    return m_problem.isEmpty();
}

} // namespace sonquill
