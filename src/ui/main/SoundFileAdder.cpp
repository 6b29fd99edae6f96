#include "ui/main/SoundFileAdder.h"

#include "catalogue/PathUtils.h"
#include "catalogue/SoundFileNames.h"
#include "catalogue/TextFormats.h"
#include "storage/Settings.h"
#include "ui/main/GameFolderWork.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace sonquill {

namespace {

// The sound files below folder, at any depth, in name order.
QStringList soundsInFolder(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (IsSoundFile(path))
            found.append(path);
    }
    std::sort(found.begin(), found.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return found;
}

} // namespace

SoundFileAdder::SoundFileAdder(const MainWindowServices &services, CatalogueSession &session,
                               GameFolderWork &work, Context context, QObject *parent)
    : QObject(parent), m_services(services), m_session(session), m_work(work),
      m_context(std::move(context))
{}

QStringList SoundFileAdder::droppedPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    bool addable = false;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
        addable = addable || IsSoundFile(paths.last()) || QFileInfo(paths.last()).isDir();
    }
    return addable ? paths : QStringList();
}

QStringList SoundFileAdder::fileFilters()
{
    return {QStringLiteral("Orvane-Compatible Sound Files (*.MP3 *.WAV *.OGG *.VOC)"),
            QStringLiteral("MP3 (*.MP3)"),
            QStringLiteral("Wave File (*.WAV)"),
            QStringLiteral("OGG Vorbis (*.OGG)"),
            QStringLiteral("VOC File (*.VOC)"),
            QStringLiteral("All Files (*.*)")};
}

void SoundFileAdder::addChosen()
{
    m_context.finishEditing();
    QString startFolder = m_services.settings.lastSourceDir();
    if (startFolder.isEmpty())
        startFolder = m_context.gameFolder();
    if (startFolder.endsWith(QLatin1Char('\\')) || startFolder.endsWith(QLatin1Char('/')))
        startFolder.chop(1);

    FileDialogRequest request;
    request.title = QStringLiteral("Choose one or more sound files...");
    request.initialPath = JoinPath(startFolder, QStringLiteral("*.MP3;*.WAV;*.OGG;*.VOC"));
    request.nameFilters = fileFilters();
    request.multiple = true;
    request.fileMustExist = true;
    const std::optional<QStringList> chosen = m_services.ui.openFiles(request);
    if (!chosen || chosen->isEmpty())
        return;

    m_services.settings.setLastSourceDir(FolderFromPath(chosen->first()));
    addFiles(*chosen);
}

void SoundFileAdder::addFiles(const QStringList &paths)
{
    if (paths.isEmpty() || m_work.refusedWhileDistributing())
        return;
    const QString category = m_context.category();
    if (const TextVerdict verdict = CheckTypedText(category); verdict != TextVerdict::Accepted) {
        tellUser(m_services.ui, QStringLiteral("Sonquill"), TypedTextRefusal(verdict),
                 MessageRequest::Icon::Exclamation);
        return;
    }
    const QList<AddedFile> results = m_session.addFiles(paths, category);
    qint16 lastAdded = 0;
    for (const AddedFile &result : results) {
        if (result.added())
            lastAdded = qint16(result.index);
    }

    m_context.added(lastAdded);
    report(results);
}

void SoundFileAdder::addDropped(const QStringList &paths)
{
    if (m_work.refusedWhileDistributing())
        return;
    m_context.finishEditing();
    QStringList sounds;
    QStringList others;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir())
            sounds.append(soundsInFolder(path));
        else if (IsSoundFile(path))
            sounds.append(path);
        else
            others.append(path);
    }
    addFiles(sounds);
    if (!others.isEmpty()) {
        tellUser(m_services.ui, QStringLiteral("Sonquill"),
                 tr("These files are not MP3, WAV, OGG or VOC sounds and were not added:") + kCrLf +
                     others.join(kCrLf),
                 MessageRequest::Icon::Exclamation);
    }
}

void SoundFileAdder::report(const QList<AddedFile> &results)
{
    qsizetype full = 0;
    QStringList refused;
    QStringList zero;
    for (const AddedFile &result : results) {
        if (result.outcome == AddedFile::Outcome::TableFull)
            ++full;
        else if (result.outcome == AddedFile::Outcome::AddedAsZero)
            zero.append(result.path);
        else if (!result.added())
            refused.append(result.path + QStringLiteral(": ") + result.reason());
    }
    if (full > 0) {
        tellUser(m_services.ui, QStringLiteral("Sonquill"),
                 tr("The list is full: it can hold at most %1 sounds.").arg(SoundTable::kMaxCount) +
                     kCrLf + tr("%1 of the chosen files were not added.").arg(full),
                 MessageRequest::Icon::Exclamation);
    }
    if (!zero.isEmpty()) {
        tellUser(
            m_services.ui, QStringLiteral("Sonquill"),
            tr("Every number from 1 to 999 is taken. These sounds got the number 0 and will not "
               "be distributed until they get a free number:") +
                kCrLf + zero.join(kCrLf),
            MessageRequest::Icon::Exclamation);
    }
    if (!refused.isEmpty()) {
        tellUser(m_services.ui, QStringLiteral("Sonquill"),
                 tr("These files were not added:") + kCrLf + refused.join(kCrLf),
                 MessageRequest::Icon::Exclamation);
    }
}

} // namespace sonquill
