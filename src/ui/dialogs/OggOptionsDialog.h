#pragma once

#include "storage/Settings.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace sonquill {

class ProcessingOptionsDialog;

// The modeless "Ogg Encoding Options" dialog "frmOgg": every change is stored at once and
// read back into the in-memory settings, so the next distribution uses it.
class OggOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    OggOptionsDialog(SettingsStore &store, OggSettings &memory, QWidget *parent = nullptr);

    // Fills the controls from the store without writing anything back.
    void showOggSettings();
    // Writes the values from the controls, then reads them back into memory.
    void saveOggSettings();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void qualityChanged(int value);
    void processingClicked();

    SettingsStore &m_store;
    OggSettings &m_memory;
    bool Loading = false;

    QLabel *Label1;
    QLabel *lblQuality;
    QSlider *sldQuality;
    QLabel *Label2;
    QLineEdit *txtMinSize;
    QLabel *Label3;
    QCheckBox *chkCustom;
    QLineEdit *txtCustom;
    QLabel *Label4;
    QLabel *lblJobs;
    QSpinBox *spnJobs;
    QPushButton *cmdProcessing;
    QPointer<ProcessingOptionsDialog> m_processing;
};

} // namespace sonquill
