#include "ui/dialogs/AboutDialog.h"

#include "ui/common/DesignMetrics.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace sonquill {

namespace {

const QString programTitle = QStringLiteral("Sonquill");

// The text column's width; the word-wrapped labels take their height from it.
constexpr int textColumnTwips = 4500;

} // namespace

QString VersionCaption(const QString &version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 3; ++i) {
        const int number = i < parts.size() ? parts.at(i).trimmed().toInt() : 0;
        numbers.append(QString::number(number));
    }
    return QStringLiteral("Version ") + numbers.join(QLatin1Char('.'));
}

AboutDialog::AboutDialog(UserInterface &ui, DesktopShell &shell, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_shell(shell)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("About ") + programTitle);

    auto *picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *lblTitle = makeLabel(this, "lblTitle", programTitle, false);
    // As much larger than the text as designed (16 pt over 8.25 pt), whatever the desktop's size.
    QFont titleFont = font();
    titleFont.setFamilies({QStringLiteral("Arial"), titleFont.family()});
    titleFont.setPointSizeF(titleFont.pointSizeF() * 16 / 8.25);
    lblTitle->setFont(titleFont);

    auto *lblVersion =
        makeLabel(this, "lblVersion", VersionCaption(QStringLiteral(SONQUILL_VERSION)), false);
    auto *Label1 = makeLabel(
        this, "Label1",
        QStringLiteral("The Sonquill is a small program designed to simplify the use of sound "
                       "effects file in Orvane. It manages large number of files and makes it "
                       "easier to play the sounds from the Orvane script language"),
        true);
    auto *lblDescription = makeLabel(
        this, "lblDescription",
        QStringLiteral("Sonquill keeps the sound catalogue of an Orvane game and distributes its "
                       "numbered sound files."),
        true);
    const int textWidth = twipsToPixels(textColumnTwips);
    for (QLabel *label : {lblTitle, lblVersion, Label1, lblDescription})
        label->setFixedWidth(textWidth);

    auto *Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    auto *lblDisclaimer = makeLabel(
        this, "lblDisclaimer",
        QStringLiteral("Warning: Read the license terms in the help file before using."), true);
    lblDisclaimer->setFixedWidth(twipsToPixels(3870));

    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto *cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    for (QPushButton *button : {cmdOK, cmdSysInfo})
        button->setMinimumWidth(twipsToPixels(1260));

    auto *texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(twipsToPixels(120));
    texts->addWidget(Label1);
    texts->addSpacing(twipsToPixels(120));
    texts->addWidget(lblDescription);

    auto *top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(twipsToPixels(240));
    top->addLayout(texts);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1, Qt::AlignTop);
    bottom->addLayout(buttons);

    auto *page = new QVBoxLayout(this);
    page->setSizeConstraint(QLayout::SetFixedSize);
    page->addLayout(top);
    page->addWidget(Line1);
    page->addLayout(bottom);

    // OK is both the default and the cancel button: Enter and Esc close the box.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutDialog::systemInformationClicked);
}

void AboutDialog::systemInformationClicked()
{
    startSystemInformation();
}

void AboutDialog::startSystemInformation()
{
    if (m_shell.startSystemInformation())
        return;
    MessageRequest request;
    request.title = programTitle;
    request.text = QStringLiteral("System Information Is Unavailable At This Time");
    request.buttons = {MessageRequest::Button::Ok};
    request.defaultButton = MessageRequest::Button::Ok;
    request.icon = MessageRequest::Icon::None;
    m_ui.showMessage(request);
}

} // namespace sonquill
