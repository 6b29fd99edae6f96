#include "ui/dialogs/OggOptionsDialog.h"

#include "ui/common/DesignMetrics.h"
#include "ui/dialogs/ProcessingOptionsDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>

namespace sonquill {

OggOptionsDialog::OggOptionsDialog(SettingsStore &store, OggSettings &memory, QWidget *parent)
    : QDialog(parent), m_store(store), m_memory(memory)
{
    setObjectName(QStringLiteral("frmOgg"));
    setWindowTitle(QStringLiteral("Ogg Encoding Options"));
    setModal(false);
    DesignLayout layout;

    Label1 = makeLabel(this, "Label1", QStringLiteral("Encoding quality (10 is highest)"));
    layout.place(Label1, 360, 240, 2295, 255);

    lblQuality = makeLabel(this, "lblQuality", QStringLiteral("3"));
    layout.place(lblQuality, 3360, 210, 615, 255);

    sldQuality = new QSlider(Qt::Horizontal, this);
    sldQuality->setObjectName(QStringLiteral("sldQuality"));
    sldQuality->setRange(kLowestQuality, kHighestQuality);
    sldQuality->setSingleStep(1);
    sldQuality->setPageStep(1);
    sldQuality->setTickPosition(QSlider::TicksBelow);
    sldQuality->setTickInterval(1);
    layout.place(sldQuality, 240, 480, 3855, 375);

    Label2 = makeLabel(this, "Label2", QStringLiteral("Minimum size to encode in kB:"));
    layout.place(Label2, 360, 1080, 2295, 255);

    txtMinSize = new QLineEdit(this);
    txtMinSize->setObjectName(QStringLiteral("txtMinSize"));
    layout.place(txtMinSize, 2760, 1080, 975, 285);

    Label3 =
        makeLabel(this, "Label3",
                  QStringLiteral(
                      "Ogg files have some overhead and small .wav's may become larger as .ogg's"));
    Label3->setWordWrap(true);
    layout.place(Label3, 600, 1440, 3135, 495);

    chkCustom = new QCheckBox(QStringLiteral("Use custom encoder instead:"), this);
    chkCustom->setObjectName(QStringLiteral("chkCustom"));
    layout.place(chkCustom, 240, 2160, 2655, 255);

    txtCustom = new QLineEdit(kDefaultCustomEncoder, this);
    txtCustom->setObjectName(QStringLiteral("txtCustom"));
    layout.place(txtCustom, 240, 2520, 4215, 285);

    Label4 = makeLabel(this, "Label4",
                       QStringLiteral("Enter the full path of the encoder executable file. Add "
                                      "any options you want, but it must contain %1 (which is "
                                      "replaced with the source filename) and %2 (which is "
                                      "replaced with the destination filename)."));
    Label4->setWordWrap(true);
    layout.place(Label4, 240, 2880, 4215, 855);

    // Beyond the design: how many encoders run at once, below everything else.
    lblJobs = makeLabel(this, "lblJobs", QStringLiteral("Parallel encoders (0 = one per core):"));
    layout.place(lblJobs, 240, 3870, 2895, 255);

    spnJobs = new QSpinBox(this);
    spnJobs->setObjectName(QStringLiteral("spnJobs"));
    spnJobs->setRange(0, 64);
    layout.place(spnJobs, 3240, 3840, 735, 315);

    // Beyond the design: what is done to the sounds' samples, in a dialog of its own.
    cmdProcessing = new QPushButton(QStringLiteral("Sound Processing..."), this);
    cmdProcessing->setObjectName(QStringLiteral("cmdProcessing"));
    layout.place(cmdProcessing, 240, 4320, 2295, 375);

    layout.apply(this, 4785, 4815);

    connect(sldQuality, &QSlider::valueChanged, this, &OggOptionsDialog::qualityChanged);
    connect(chkCustom, &QCheckBox::clicked, this, &OggOptionsDialog::saveOggSettings);
    connect(txtMinSize, &QLineEdit::textChanged, this, &OggOptionsDialog::saveOggSettings);
    connect(txtCustom, &QLineEdit::textChanged, this, &OggOptionsDialog::saveOggSettings);
    connect(spnJobs, &QSpinBox::valueChanged, this, &OggOptionsDialog::saveOggSettings);
    connect(cmdProcessing, &QPushButton::clicked, this, &OggOptionsDialog::processingClicked);

    showOggSettings();
}

void OggOptionsDialog::showOggSettings()
{
    Loading = true;
    m_memory = LoadOggSettings(m_store);
    lblQuality->setText(QString::number(m_memory.Quality));
    // The slider refuses a stored quality outside its range and keeps its place; the label
    // still shows the stored number, which the next save writes back unchanged.
    if (m_memory.Quality >= kLowestQuality && m_memory.Quality <= kHighestQuality)
        sldQuality->setValue(m_memory.Quality);
    txtMinSize->setText(QString::number(m_memory.MinSize));
    // Only 1 and 0 are states of the box; any other stored number leaves it as it is.
    if (m_memory.UseCustom == 1 || m_memory.UseCustom == 0)
        chkCustom->setChecked(m_memory.UseCustom == 1);
    txtCustom->setText(m_memory.CustomPath);
    spnJobs->setValue(m_memory.Jobs);
    Loading = false;
}

void OggOptionsDialog::saveOggSettings()
{
    if (Loading)
        return;
    sonquill::SaveOggSettings(m_store, lblQuality->text(), txtMinSize->text(),
                              chkCustom->isChecked(), txtCustom->text());
    SaveOggJobs(m_store, spnJobs->value());
    m_memory = LoadOggSettings(m_store);
}

void OggOptionsDialog::showEvent(QShowEvent *event)
{
    // Each opening shows what is stored now, as a freshly loaded form would.
    if (!event->spontaneous())
        showOggSettings();
    QDialog::showEvent(event);
}

void OggOptionsDialog::processingClicked()
{
    if (!m_processing)
        m_processing = new ProcessingOptionsDialog(m_store, this);
    m_processing->show();
    m_processing->raise();
    m_processing->activateWindow();
}

void OggOptionsDialog::qualityChanged(int value)
{
    lblQuality->setText(QString::number(value));
    saveOggSettings();
}

} // namespace sonquill
