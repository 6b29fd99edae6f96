#pragma once

#include "services/UiServices.h"

#include <QDialog>

namespace sonquill {

// "Version 1.0.7" from a version text such as "1.0.7": major, minor and revision in plain
// decimal; a missing or unreadable part counts as 0.
QString VersionCaption(const QString &version);

// The About box "frmAbout": title, version, description, and a button that starts a
// system-information tool. It deletes itself when closed, so the next opening loads it afresh.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    AboutDialog(UserInterface &ui, DesktopShell &shell, QWidget *parent = nullptr);

private:
    void systemInformationClicked();
    void startSystemInformation();

    UserInterface &m_ui;
    DesktopShell &m_shell;
};

} // namespace sonquill
