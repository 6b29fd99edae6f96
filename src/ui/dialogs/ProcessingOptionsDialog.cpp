#include "ui/dialogs/ProcessingOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace sonquill {

namespace {

QDoubleSpinBox *spinBox(QWidget *parent, const char *name, double low, double high, double step,
                        const QString &suffix)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setDecimals(1);
    box->setSuffix(suffix);
    return box;
}

} // namespace

ProcessingOptionsDialog::ProcessingOptionsDialog(SettingsStore &store, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("frmProcessing"));
    setWindowTitle(tr("Sound Processing"));
    setModal(false);

    auto *group = new QGroupBox(tr("Sound Processing"), this);
    auto *form = new QFormLayout(group);
    m_loudness = new QCheckBox(tr("Normalise loudness to"), group);
    m_loudness->setObjectName(QStringLiteral("chkLoudness"));
    m_target = spinBox(group, "spnTarget", -70, 0, 0.5, QStringLiteral(" LUFS"));
    form->addRow(m_loudness, m_target);
    m_ceiling = spinBox(group, "spnCeiling", -40, 0, 0.5, QStringLiteral(" dBTP"));
    form->addRow(tr("True peak at most:"), m_ceiling);
    m_offsets = new QLineEdit(group);
    m_offsets->setObjectName(QStringLiteral("txtOffsets"));
    m_offsets->setPlaceholderText(QStringLiteral("Ambience=-8; Music=-3"));
    form->addRow(tr("LU added by category:"), m_offsets);
    m_offsetsRefused =
        new QLabel(tr("Write each as Category=LU (from -40 to 40), separated by \";\"."), group);
    m_offsetsRefused->setObjectName(QStringLiteral("lblOffsetsRefused"));
    m_offsetsRefused->setWordWrap(true);
    m_offsetsRefused->setVisible(false);
    form->addRow(m_offsetsRefused);
    m_trim = new QCheckBox(tr("Trim silence below"), group);
    m_trim->setObjectName(QStringLiteral("chkTrim"));
    m_threshold = spinBox(group, "spnThreshold", -120, 0, 1, QStringLiteral(" dBFS"));
    form->addRow(m_trim, m_threshold);
    m_pad = spinBox(group, "spnPad", 0, 10000, 5, QStringLiteral(" ms"));
    form->addRow(tr("Silence kept at each end:"), m_pad);
    m_mono = new QCheckBox(tr("Mix down to mono"), group);
    m_mono->setObjectName(QStringLiteral("chkMono"));
    form->addRow(m_mono);
    m_maxRate = new QComboBox(group);
    m_maxRate->setObjectName(QStringLiteral("cmbMaxRate"));
    m_maxRate->addItem(tr("No limit"), 0);
    for (const int rate : kProcessingRates)
        m_maxRate->addItem(tr("%1 Hz").arg(rate), rate);
    form->addRow(tr("Highest sample rate:"), m_maxRate);

    auto *note = new QLabel(tr("Applies to every WAV file written into the game folder, encoded "
                               "or not. MP3, Ogg and VOC files are copied untouched, and the "
                               "sound files themselves never change."),
                            this);
    note->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(note);

    showSettings();
    for (QCheckBox *box : {m_loudness, m_trim, m_mono})
        connect(box, &QCheckBox::toggled, this, &ProcessingOptionsDialog::save);
    for (QDoubleSpinBox *box : {m_target, m_ceiling, m_threshold, m_pad})
        connect(box, &QDoubleSpinBox::valueChanged, this, &ProcessingOptionsDialog::save);
    connect(m_offsets, &QLineEdit::textChanged, this, &ProcessingOptionsDialog::save);
    connect(m_maxRate, &QComboBox::currentIndexChanged, this, &ProcessingOptionsDialog::save);
}

void ProcessingOptionsDialog::showSettings()
{
    m_loading = true;
    const ProcessingSettings settings = LoadProcessingSettings(m_store);
    m_loudness->setChecked(settings.loudness);
    m_target->setValue(settings.targetLufs);
    m_ceiling->setValue(settings.ceilingDbtp);
    m_offsets->setText(CategoryOffsetsText(settings.categoryOffsets));
    m_offsetsRefused->setVisible(false);
    m_trim->setChecked(settings.trim);
    m_threshold->setValue(settings.trimThresholdDb);
    m_pad->setValue(settings.trimPadMs);
    m_mono->setChecked(settings.mono);
    m_maxRate->setCurrentIndex(std::max(0, m_maxRate->findData(settings.maxRate)));
    m_loading = false;
}

void ProcessingOptionsDialog::showOffsetsRefused(bool refused)
{
    if (m_offsetsRefused->isVisible() == refused)
        return;
    m_offsetsRefused->setVisible(refused);
    // The wrapped line's height depends on its width, which the layout's minimum size leaves
    // out: the open window grows to show it whole.
    if (refused && isVisible() && layout()) {
        layout()->activate();
        const int needed = heightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    }
}

void ProcessingOptionsDialog::save()
{
    if (m_loading)
        return;
    ProcessingSettings settings = LoadProcessingSettings(m_store);
    settings.loudness = m_loudness->isChecked();
    settings.targetLufs = m_target->value();
    settings.ceilingDbtp = m_ceiling->value();
    // Offsets half typed stay as they were stored until they read as offsets again.
    const auto offsets = ParseCategoryOffsets(m_offsets->text());
    showOffsetsRefused(!offsets);
    if (offsets)
        settings.categoryOffsets = *offsets;
    settings.trim = m_trim->isChecked();
    settings.trimThresholdDb = m_threshold->value();
    settings.trimPadMs = m_pad->value();
    settings.mono = m_mono->isChecked();
    settings.maxRate = m_maxRate->currentData().toInt();
    SaveProcessingSettings(m_store, settings);
}

void ProcessingOptionsDialog::showEvent(QShowEvent *event)
{
    // Each opening shows what is stored now, as the Ogg options do.
    if (!event->spontaneous())
        showSettings();
    QDialog::showEvent(event);
}

} // namespace sonquill
