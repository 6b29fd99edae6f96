#include "ui/common/QtUserInterface.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdlib>

namespace sonquill {

namespace {

using Button = MessageRequest::Button;

QMessageBox::StandardButton standardButton(Button button)
{
    switch (button) {
    case Button::Ok:
        return QMessageBox::Ok;
    case Button::Cancel:
        return QMessageBox::Cancel;
    case Button::Yes:
        return QMessageBox::Yes;
    case Button::No:
        return QMessageBox::No;
    case Button::Abort:
        return QMessageBox::Abort;
    case Button::Retry:
        return QMessageBox::Retry;
    case Button::Ignore:
        return QMessageBox::Ignore;
    case Button::Replace:
        return QMessageBox::Save;
    case Button::Reload:
        return QMessageBox::Discard;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon standardIcon(MessageRequest::Icon icon)
{
    switch (icon) {
    case MessageRequest::Icon::None:
        return QMessageBox::NoIcon;
    case MessageRequest::Icon::Critical:
        return QMessageBox::Critical;
    case MessageRequest::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageRequest::Icon::Question:
        return QMessageBox::Question;
    case MessageRequest::Icon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The button that Esc and the close box choose: Cancel, else the only button, else No. Other
// boxes (Abort, Retry, Ignore) must be answered with a button, as on Windows: an Esc must
// never end the program.
std::optional<Button> escapeButton(const MessageRequest &request)
{
    if (request.buttons.contains(Button::Cancel))
        return Button::Cancel;
    if (request.buttons.size() == 1)
        return request.buttons.first();
    if (request.buttons.contains(Button::No))
        return Button::No;
    return std::nullopt;
}

// Swallows Esc and the close box on a box that has no escape button.
class NoEscapeFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

// "Sound Files (*.MP3;*.WAV)" -> "Sound Files (*.MP3 *.WAV)"; the Windows catch-all "*.*"
// also matches names without a dot. Only the description is shown, as on Windows.
QString dialogFilter(const QString &filter)
{
    static const QRegularExpression patternPart(QStringLiteral("^(.*)\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = patternPart.match(filter);
    if (!match.hasMatch())
        return filter;
    QString description = match.captured(1).trimmed();
    QStringList patterns =
        match.captured(2).split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    if (patterns == QStringList{QStringLiteral("*.*")}) {
        description = filter.trimmed();
        patterns = {QStringLiteral("*")};
    }
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

bool hasWildcard(const QString &name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

} // namespace

QtUserInterface::QtUserInterface(QWidget *parent) : m_parent(parent) {}

void QtUserInterface::setParentWidget(QWidget *parent)
{
    m_parent = parent;
}

std::unique_ptr<QMessageBox> QtUserInterface::makeMessageBox(const MessageRequest &request,
                                                             QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.title);
    box->setIcon(standardIcon(request.icon));
    box->setTextFormat(Qt::PlainText);
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box->setText(text);
    for (Button button : request.buttons) {
        QAbstractButton *added = box->addButton(standardButton(button));
        if (button == Button::Replace)
            added->setText(QObject::tr("Replace"));
        else if (button == Button::Reload)
            added->setText(QObject::tr("Reload"));
    }
    if (request.buttons.contains(request.defaultButton))
        box->setDefaultButton(standardButton(request.defaultButton));
    if (const std::optional<Button> escape = escapeButton(request))
        box->setEscapeButton(standardButton(*escape));
    else
        box->installEventFilter(new NoEscapeFilter(box.get()));
    return box;
}

MessageRequest::Button QtUserInterface::showMessage(const MessageRequest &request)
{
    std::unique_ptr<QMessageBox> box = makeMessageBox(request, m_parent);
    box->exec();
    const QMessageBox::StandardButton chosen = box->standardButton(box->clickedButton());
    for (Button button : request.buttons) {
        if (standardButton(button) == chosen)
            return button;
    }
    return escapeButton(request).value_or(request.defaultButton);
}

void QtUserInterface::abortProgram()
{
    std::_Exit(EXIT_FAILURE);
}

void QtUserInterface::prepareFileDialog(QFileDialog &dialog, const FileDialogRequest &request)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (request.multiple)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else if (request.fileMustExist)
        dialog.setFileMode(QFileDialog::ExistingFile);
    else
        dialog.setFileMode(QFileDialog::AnyFile);
    // Sound files are matched without regard to case, as on Windows: "*.WAV" shows door.wav.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);

    QStringList filters;
    for (const QString &filter : request.nameFilters)
        filters.append(dialogFilter(filter));
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.first());
    }

    // The initial path is a folder, or a folder and a file name or pattern.
    if (request.initialPath.isEmpty())
        return;
    const QFileInfo initial(request.initialPath);
    if (initial.isDir()) {
        dialog.setDirectory(initial.absoluteFilePath());
        return;
    }
    dialog.setDirectory(initial.absolutePath());
    if (!hasWildcard(initial.fileName()))
        dialog.selectFile(initial.fileName());
}

std::optional<QStringList> QtUserInterface::openFiles(const FileDialogRequest &request)
{
    QFileDialog dialog(m_parent);
    prepareFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> QtUserInterface::inputText(const QString &title, const QString &prompt,
                                                  const QString &preset)
{
    QInputDialog dialog(m_parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(preset);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

} // namespace sonquill
