#pragma once

#include "catalogue/NumberRules.h"
#include "catalogue/SoundTable.h"
#include "services/FileError.h"
#include "services/MessageSink.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

namespace sonquill {

class SettingsStore;

// What became of one file offered to the catalogue.
struct AddedFile
{
    enum class Outcome {
        Added,       // appended with a number from 1 to 999
        AddedAsZero, // appended, but every number from 1 to 999 was taken: it got 0
        NotAFile,    // missing, a folder, or not a regular file
        Unstorable,  // its path has characters the catalogue file cannot hold
        TableFull,   // the catalogue already holds the most sounds it can
    };
    QString path;
    Outcome outcome = Outcome::Added;
    int index = 0; // 1-based table index when added
    qint16 number = 0;

    bool added() const { return outcome == Outcome::Added || outcome == Outcome::AddedAsZero; }
    // Why the file was not added (or got no number), as one clause for a message or a line.
    QString reason() const;
};

// Whether a typed name or category can be stored as it stands.
enum class TextVerdict { Accepted, Unstorable, ControlCharacters };
TextVerdict CheckTypedText(const QString &text);
QString TypedTextRefusal(TextVerdict verdict);

// The catalogue of one game folder as both front ends work on it: the table, its load and save
// under a lock on the folder, and every change the user can make. The window and the
// command-line tool only turn its results into messages, grid updates and exit codes.
class CatalogueSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLockWaitMs = 5000;

    explicit CatalogueSession(MessageSink &messages, QObject *parent = nullptr);
    ~CatalogueSession() override;

    // The folder the shown catalogue was loaded from or last saved to; empty before either.
    QString folder() const { return m_folder; }
    const SoundTable &table() const { return m_table; }
    // The catalogue as last loaded or saved: what the folder's file holds, unless another
    // program changed it since.
    const SoundTable &savedTable() const { return m_savedTable; }
    // True when the catalogue differs from what was last loaded or saved (the selection aside).
    bool isModified() const;

    // The game folder to start with: the one last used, else the compiled-in default.
    static QString StartFolder(const SettingsStore &settings);

    // Holds the lock on folder's catalogue until unlockFolder or destruction, waiting up to
    // timeoutMs for another program to let go. A folder where no lock can be created (read
    // only) is worked on without one.
    [[nodiscard]] FileError lockFolder(const QString &folder, int timeoutMs = kLockWaitMs);
    void unlockFolder();

    // Replaces the table by folder's catalogue (a missing one gives an empty table). Failures
    // are reported through the sink; the table then stays as it was.
    // measureSizes false leaves the sizes as stored until setSizes() gives them.
    FileError load(const QString &folder, bool measureSizes = true);
    // Writes the table as folder's catalogue, reporting a failure through the sink.
    FileError save(const QString &folder);
    // True when the table is folder's catalogue as read whole from its file, or as saved there
    // since: only then does a number missing from it mean the number left the catalogue.
    bool isWholeCatalogueOf(const QString &folder) const;
    // True when folder's catalogue on disk is not what this session last read or wrote there.
    bool changedOnDisk(const QString &folder) const;
    // True when folder's catalogue file holds the table exactly, so saving would change
    // nothing.
    bool fileHoldsTable(const QString &folder) const;

    // What closing does with the catalogue when folderShown is the folder the user sees.
    enum class CloseAction {
        Save,       // save there
        AskReplace, // folderShown holds another catalogue: ask before replacing it
        Skip,       // nothing to save and nowhere to save it
    };
    CloseAction closeAction(const QString &folderShown) const;

    // Files that addFiles would refuse, without changing anything.
    QList<AddedFile> refusedFiles(const QStringList &paths) const;
    // Appends the files with the lowest free numbers, the category given and named after their
    // files; afterwards exactly the new sounds are selected. Adds what fits and reports the rest.
    QList<AddedFile> addFiles(const QStringList &paths, const QString &category);

    // Removal; each returns how many sounds went.
    int removeNumbers(const QList<qint16> &numbers);
    int removeSelected();
    int removeAll();

    void setLocked(int index, bool locked);
    int setLockedNumbers(const QList<qint16> &numbers, bool locked);
    // Locks the selected sounds, or unlocks them when all are locked already.
    bool selectedAllLocked() const;
    void setSelectedLocked(bool locked);

    // Typed text: refused (nothing changes) unless Accepted.
    TextVerdict rename(int index, const QString &name);
    TextVerdict setCategory(int index, const QString &category);
    TextVerdict setSelectedCategory(const QString &category);
    NumberEdit renumber(int index, const QString &typedNumber);
    AddedFile setFile(int index, const QString &path);

    // Selection is a view state kept with the records; it marks nothing as changed.
    void setSelected(int index, bool selected);
    void setAllSelected(bool selected);
    void selectOnly(const QList<int> &indexes);

    // The sizes of the sources, in table order (-1 for one that cannot be read), as a caller
    // measured them; the sizes are measured here when there are none.
    void setSizes(const QList<qint32> &sizes);

    // Puts a whole earlier table back (undo and redo).
    void restoreTable(const SoundTable &table);

signals:
    // A change the user made: what it was, and the table before it.
    void changed(const QString &what, const sonquill::SoundTable &before);

private:
    AddedFile checkFile(const QString &path) const;
    // Runs work with folder locked (unless it already is); a lock held elsewhere is reported
    // as an error while doing context.
    template <typename Work>
    FileError underLock(const QString &folder, const QString &context, Work work);
    // Runs change on the table and announces it when something changed.
    template <typename Change> void apply(const QString &what, Change change);
    // The catalogue file's identity and times: while they stay, so do its bytes.
    struct DiskStamp
    {
        bool exists = false;
        qint64 size = 0, mtimeNs = 0, ctimeNs = 0;
        quint64 device = 0, inode = 0;
        bool operator==(const DiskStamp &) const = default;
    };
    static DiskStamp stampOf(const QString &path);
    // What the catalogue file holds now: its bytes, or a tag for no file or one not readable.
    static QByteArray contentsOf(const QString &path);
    void remember(const QString &folder, const QByteArray &contents, const DiskStamp &stamp);

    MessageSink &m_messages;
    SoundTable m_table;
    SoundTable m_savedTable;
    QString m_folder;
    // The catalogue file as last read or written, and its stamp then.
    QByteArray m_diskContents;
    DiskStamp m_diskStamp;
    QString m_wholeFolder; // canonical folder whose catalogue the table was read whole from
    std::unique_ptr<QLockFile> m_lock;
    QString m_lockedFolder;
};

} // namespace sonquill
