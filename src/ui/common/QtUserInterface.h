#pragma once

#include "services/UiServices.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QFileDialog;
class QMessageBox;

namespace sonquill {

// The real dialogs: message boxes, the input box and the open-file dialog, modal over the
// parent window.
class QtUserInterface : public UserInterface
{
public:
    explicit QtUserInterface(QWidget *parent = nullptr);
    void setParentWidget(QWidget *parent);

    MessageRequest::Button showMessage(const MessageRequest &request) override;
    // Ends the process at once: no close handling, no saving.
    [[noreturn]] void abortProgram() override;
    std::optional<QStringList> openFiles(const FileDialogRequest &request) override;
    std::optional<QString> inputText(const QString &title, const QString &prompt,
                                     const QString &preset) override;

    // The message box exactly as showMessage shows it.
    static std::unique_ptr<QMessageBox> makeMessageBox(const MessageRequest &request,
                                                       QWidget *parent);
    // Sets up a file dialog exactly as openFiles shows it.
    static void prepareFileDialog(QFileDialog &dialog, const FileDialogRequest &request);

private:
    QPointer<QWidget> m_parent;
};

} // namespace sonquill
