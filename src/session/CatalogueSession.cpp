#include "CatalogueSession.h"

#include "catalogue/PathUtils.h"
#include "storage/AnsiCodec.h"
#include "storage/ErrorReport.h"
#include "storage/Settings.h"
#include "storage/SoundInfoFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace sonquill {

namespace {

// Reported when another program holds the folder's catalogue; the number Windows gives a file
// that is in use.
constexpr int kCatalogueInUseError = 70;

const QString kLockFileName = QStringLiteral(".SoundInfo.lock");

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// A name taken from a file name: line breaks and tabs would split the lines of the lists and
// the script code, so they become blanks.
QString nameFromFile(const QString &path)
{
    QString name = NameFromPath(path);
    for (QChar &c : name) {
        if (isControl(c))
            c = QLatin1Char(' ');
    }
    return name;
}

bool sameFolder(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() && b.isEmpty();
    return QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(a)).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(b)).absoluteFilePath());
}

// Two tables that differ only in which sounds are selected hold the same catalogue.
bool sameCatalogue(const SoundTable &a, const SoundTable &b)
{
    if (a.SoundCount() != b.SoundCount())
        return false;
    for (int i = 1; i <= a.SoundCount(); ++i) {
        SoundRecord left = a.at(i);
        left.selected = b.at(i).selected;
        if (!(left == b.at(i)))
            return false;
    }
    return true;
}

FileError inUse(const QString &folder, const QLockFile &lock)
{
    qint64 pid = 0;
    QString host;
    QString application;
    QString holder;
    if (lock.getLockInfo(&pid, &host, &application))
        holder = QStringLiteral(" (%1, process %2 on %3)").arg(application).arg(pid).arg(host);
    return {kCatalogueInUseError,
            QStringLiteral("The catalogue in %1 is in use by another program%2; try again when "
                           "it has finished")
                .arg(QDir::toNativeSeparators(folder), holder)};
}

} // namespace

QString AddedFile::reason() const
{
    switch (outcome) {
    case Outcome::Added:
        return {};
    case Outcome::AddedAsZero:
        return QStringLiteral("every number from 1 to 999 is taken, so it got the number 0 and "
                              "will not be distributed until it gets a free number");
    case Outcome::NotAFile:
        return QStringLiteral("it is not a file");
    case Outcome::Unstorable:
        return QStringLiteral("its name has characters the catalogue cannot store; rename it");
    case Outcome::TableFull:
        return QStringLiteral("the list is full: it can hold at most %1 sounds")
            .arg(SoundTable::kMaxCount);
    }
    return {};
}

TextVerdict CheckTypedText(const QString &text)
{
    for (QChar c : text) {
        if (isControl(c))
            return TextVerdict::ControlCharacters;
    }
    return IsAnsiRepresentable(text) ? TextVerdict::Accepted : TextVerdict::Unstorable;
}

QString TypedTextRefusal(TextVerdict verdict)
{
    switch (verdict) {
    case TextVerdict::Accepted:
        return {};
    case TextVerdict::Unstorable:
        return QStringLiteral("The text has characters the catalogue cannot store. Please use "
                              "other characters.");
    case TextVerdict::ControlCharacters:
        return QStringLiteral("Names and categories cannot hold line breaks or tabs.");
    }
    return {};
}

CatalogueSession::CatalogueSession(MessageSink &messages, QObject *parent)
    : QObject(parent), m_messages(messages)
{}

CatalogueSession::~CatalogueSession() = default;

bool CatalogueSession::isModified() const
{
    return !sameCatalogue(m_table, m_savedTable);
}

QString CatalogueSession::StartFolder(const SettingsStore &settings)
{
    const QString folder = settings.lastGameDir();
    return folder.isEmpty() ? DefaultGameFolder() : folder;
}

FileError CatalogueSession::lockFolder(const QString &folder, int timeoutMs)
{
    if (m_lock && sameFolder(folder, m_lockedFolder))
        return {};
    unlockFolder();
    auto lock = std::make_unique<QLockFile>(JoinPath(folder, kLockFileName));
    // A lock left by a program that died is taken over at once (QLockFile checks that its
    // process is gone); one older than this is taken over even from a hung program.
    lock->setStaleLockTime(10 * 60 * 1000);
    if (lock->tryLock(timeoutMs)) {
        m_lock = std::move(lock);
        m_lockedFolder = folder;
        return {};
    }
    if (lock->error() == QLockFile::LockFailedError)
        return inUse(folder, *lock);
    // A folder where nobody can create files can be read without a lock; a save there fails
    // by itself.
    return {};
}

void CatalogueSession::unlockFolder()
{
    m_lock.reset();
    m_lockedFolder.clear();
}

template <typename Work>
FileError CatalogueSession::underLock(const QString &folder, const QString &context, Work work)
{
    const bool heldBefore = m_lock && sameFolder(folder, m_lockedFolder);
    FileError error = lockFolder(folder);
    if (error) {
        FileError pending = error;
        ReportError(m_messages, pending, context);
    } else {
        error = work();
    }
    if (!heldBefore)
        unlockFolder();
    return error;
}

FileError CatalogueSession::load(const QString &folder, bool measureSizes)
{
    return underLock(folder, QStringLiteral("Loading the SoundInfo.DAT file"), [&] {
        SoundTable loaded;
        bool whole = false;
        // Stamped before the read: a change while reading then shows as a change later.
        const DiskStamp stamp = stampOf(SoundInfoPath(folder));
        QByteArray bytes;
        const FileError error =
            LoadSoundInfo(loaded, SoundInfoPath(folder), m_messages, &whole, measureSizes, &bytes);
        if (!error) {
            m_table = std::move(loaded);
            m_savedTable = m_table;
            remember(folder, stamp.exists ? bytes : contentsOf(SoundInfoPath(folder)), stamp);
            m_wholeFolder = whole ? QFileInfo(folder).canonicalFilePath() : QString();
        }
        return error;
    });
}

FileError CatalogueSession::save(const QString &folder)
{
    return underLock(folder, QStringLiteral("Saving the SoundInfo.DAT file"), [&] {
        const FileError error = SaveSoundInfo(m_table, SoundInfoPath(folder), m_messages);
        if (!error) {
            m_savedTable = m_table;
            remember(folder, SerializeSoundInfo(m_table), stampOf(SoundInfoPath(folder)));
            m_wholeFolder = QFileInfo(folder).canonicalFilePath();
        }
        return error;
    });
}

void CatalogueSession::remember(const QString &folder, const QByteArray &contents,
                                const DiskStamp &stamp)
{
    m_folder = folder;
    m_diskContents = contents;
    m_diskStamp = stamp;
}

CatalogueSession::DiskStamp CatalogueSession::stampOf(const QString &path)
{
    DiskStamp stamp;
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return stamp;
    stamp.exists = true;
    stamp.size = info.st_size;
    stamp.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.ctimeNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
#else
    // Never trusted alone here: the bytes decide.
    Q_UNUSED(path);
#endif
    return stamp;
}

QByteArray CatalogueSession::contentsOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArrayLiteral("\0missing");
    // Never opened: a pipe or a device would block or never end.
    if (!info.isFile())
        return QByteArrayLiteral("\0not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("\0unreadable");
    return file.readAll();
}

bool CatalogueSession::isWholeCatalogueOf(const QString &folder) const
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return !m_wholeFolder.isEmpty() && canonical == m_wholeFolder && !changedOnDisk(folder);
}

bool CatalogueSession::changedOnDisk(const QString &folder) const
{
    if (m_folder.isEmpty() || !sameFolder(folder, m_folder))
        return false;
    // The same file with the same times holds the same bytes; otherwise the bytes decide, so a
    // save of the same catalogue by another program is no change.
    const QString path = SoundInfoPath(folder);
    if (m_diskStamp.exists && stampOf(path) == m_diskStamp)
        return false;
    return contentsOf(path) != m_diskContents;
}

bool CatalogueSession::fileHoldsTable(const QString &folder) const
{
    return !m_folder.isEmpty() && sameFolder(folder, m_folder) && !changedOnDisk(folder) &&
           SerializeSoundInfo(m_table) == m_diskContents;
}

CatalogueSession::CloseAction CatalogueSession::closeAction(const QString &folderShown) const
{
    // An empty catalogue and no folder to keep it in (a first start on the default folder):
    // nothing can be lost.
    if (m_table.isEmpty() && !QFileInfo(folderShown).isDir())
        return CloseAction::Skip;
    if (!sameFolder(folderShown, m_folder) && FileExists(SoundInfoPath(folderShown)))
        return CloseAction::AskReplace;
    return CloseAction::Save;
}

AddedFile CatalogueSession::checkFile(const QString &path) const
{
    AddedFile result;
    const QFileInfo info(path);
    result.path = info.exists() ? info.absoluteFilePath() : path;
    if (!info.isFile())
        result.outcome = AddedFile::Outcome::NotAFile;
    else if (!IsAnsiRepresentable(result.path))
        result.outcome = AddedFile::Outcome::Unstorable;
    return result;
}

QList<AddedFile> CatalogueSession::refusedFiles(const QStringList &paths) const
{
    QList<AddedFile> refused;
    for (const QString &path : paths) {
        const AddedFile checked = checkFile(path);
        if (!checked.added())
            refused.append(checked);
    }
    return refused;
}

template <typename Change> void CatalogueSession::apply(const QString &what, Change change)
{
    const SoundTable before = m_table;
    change();
    if (!sameCatalogue(before, m_table))
        emit changed(what, before);
}

QList<AddedFile> CatalogueSession::addFiles(const QStringList &paths, const QString &category)
{
    QList<AddedFile> results;
    apply(QStringLiteral("Add Sounds"), [&] {
        m_table.SetAllSelected(false);
        for (const QString &path : paths) {
            AddedFile result = checkFile(path);
            if (result.added() && m_table.SoundCount() >= SoundTable::kMaxCount)
                result.outcome = AddedFile::Outcome::TableFull;
            if (result.added()) {
                SoundRecord record;
                record.filename = result.path;
                record.name = nameFromFile(result.path);
                record.category = category;
                record.selected = kTrue16;
                result.index = m_table.AddSound(record);
                result.number = record.number;
                if (record.number == 0)
                    result.outcome = AddedFile::Outcome::AddedAsZero;
            }
            results.append(result);
        }
        m_table.RefreshSizes(false);
    });
    return results;
}

int CatalogueSession::removeNumbers(const QList<qint16> &numbers)
{
    const QSet<qint16> doomed(numbers.cbegin(), numbers.cend());
    int removed = 0;
    apply(QStringLiteral("Remove Sounds"), [&] {
        // From the end, so the indexes still to visit stay valid.
        for (int index = m_table.SoundCount(); index >= 1; --index) {
            if (doomed.contains(m_table.at(index).number)) {
                m_table.RemoveSound(index);
                ++removed;
            }
        }
    });
    return removed;
}

int CatalogueSession::removeSelected()
{
    int removed = 0;
    apply(QStringLiteral("Remove Selected"), [&] {
        for (int index = m_table.SoundCount(); index >= 1; --index) {
            if (m_table.at(index).isSelected()) {
                m_table.RemoveSound(index);
                ++removed;
            }
        }
    });
    return removed;
}

int CatalogueSession::removeAll()
{
    const int removed = m_table.SoundCount();
    apply(QStringLiteral("Remove All Sounds"), [&] { m_table.ClearSounds(); });
    return removed;
}

void CatalogueSession::setLocked(int index, bool locked)
{
    if (!m_table.isValidIndex(index))
        return;
    apply(locked ? QStringLiteral("Lock") : QStringLiteral("Unlock"),
          [&] { m_table.at(index).locked = toBool16(locked); });
}

int CatalogueSession::setLockedNumbers(const QList<qint16> &numbers, bool locked)
{
    int count = 0;
    apply(locked ? QStringLiteral("Lock") : QStringLiteral("Unlock"), [&] {
        for (int index = 1; index <= m_table.SoundCount(); ++index) {
            if (numbers.contains(m_table.at(index).number)) {
                m_table.at(index).locked = toBool16(locked);
                ++count;
            }
        }
    });
    return count;
}

bool CatalogueSession::selectedAllLocked() const
{
    for (const SoundRecord &record : m_table.records()) {
        if (record.isSelected() && !record.isLocked())
            return false;
    }
    return true;
}

void CatalogueSession::setSelectedLocked(bool locked)
{
    apply(locked ? QStringLiteral("Lock Selected") : QStringLiteral("Unlock Selected"), [&] {
        for (int index = 1; index <= m_table.SoundCount(); ++index) {
            if (m_table.at(index).isSelected())
                m_table.at(index).locked = toBool16(locked);
        }
    });
}

TextVerdict CatalogueSession::rename(int index, const QString &name)
{
    const TextVerdict verdict = CheckTypedText(name);
    if (verdict == TextVerdict::Accepted && m_table.isValidIndex(index))
        apply(QStringLiteral("Rename"), [&] { m_table.at(index).name = name; });
    return verdict;
}

TextVerdict CatalogueSession::setCategory(int index, const QString &category)
{
    const TextVerdict verdict = CheckTypedText(category);
    if (verdict == TextVerdict::Accepted && m_table.isValidIndex(index))
        apply(QStringLiteral("Change Category"), [&] { m_table.at(index).category = category; });
    return verdict;
}

TextVerdict CatalogueSession::setSelectedCategory(const QString &category)
{
    const TextVerdict verdict = CheckTypedText(category);
    if (verdict != TextVerdict::Accepted)
        return verdict;
    apply(QStringLiteral("Change Selected's Category"), [&] {
        for (int index = 1; index <= m_table.SoundCount(); ++index) {
            if (m_table.at(index).isSelected())
                m_table.at(index).category = category;
        }
    });
    return verdict;
}

NumberEdit CatalogueSession::renumber(int index, const QString &typedNumber)
{
    if (!m_table.isValidIndex(index))
        return {};
    if (m_table.at(index).isLocked()) {
        NumberEdit locked;
        locked.verdict = NumberEdit::Verdict::Locked;
        locked.number = m_table.at(index).number;
        return locked;
    }
    const NumberEdit edit = CheckNumberEdit(m_table, m_table.at(index).number, typedNumber);
    if (edit.verdict == NumberEdit::Verdict::Accepted)
        apply(QStringLiteral("Renumber"), [&] { m_table.at(index).number = edit.number; });
    return edit;
}

AddedFile CatalogueSession::setFile(int index, const QString &path)
{
    AddedFile result = checkFile(path);
    if (!result.added() || !m_table.isValidIndex(index))
        return result;
    result.index = index;
    result.number = m_table.at(index).number;
    apply(QStringLiteral("Change File"), [&] {
        m_table.at(index).filename = result.path;
        m_table.at(index).size = 0.0f;
        m_table.RefreshSizes(false);
    });
    return result;
}

void CatalogueSession::setSelected(int index, bool selected)
{
    if (m_table.isValidIndex(index))
        m_table.at(index).selected = toBool16(selected);
}

void CatalogueSession::setAllSelected(bool selected)
{
    m_table.SetAllSelected(selected);
}

void CatalogueSession::selectOnly(const QList<int> &indexes)
{
    m_table.SetAllSelected(false);
    for (int index : indexes)
        setSelected(index, true);
}

void CatalogueSession::setSizes(const QList<qint32> &sizes)
{
    if (sizes.size() != m_table.SoundCount()) {
        m_table.RefreshSizes(true);
        return;
    }
    for (int index = 1; index <= m_table.SoundCount(); ++index)
        m_table.at(index).size = float(sizes.at(index - 1));
}

void CatalogueSession::restoreTable(const SoundTable &table)
{
    m_table = table;
}

} // namespace sonquill
