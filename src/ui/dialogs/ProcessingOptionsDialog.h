#pragma once

#include "storage/Settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace sonquill {

// The modeless "Sound Processing" dialog, opened from the Ogg options: what is done to the
// samples of every WAV written into the game folder. Every change is stored at once, as in the
// Ogg options, so the next distribution and check use it.
class ProcessingOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ProcessingOptionsDialog(SettingsStore &store, QWidget *parent = nullptr);

    // Fills the controls from the store without writing anything back.
    void showSettings();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void save();
    // Shows or hides the line saying how offsets are written.
    void showOffsetsRefused(bool refused);

    SettingsStore &m_store;
    bool m_loading = false;

    QCheckBox *m_loudness;
    QDoubleSpinBox *m_target;
    QDoubleSpinBox *m_ceiling;
    QLineEdit *m_offsets;
    QLabel *m_offsetsRefused;
    QCheckBox *m_trim;
    QDoubleSpinBox *m_threshold;
    QDoubleSpinBox *m_pad;
    QCheckBox *m_mono;
    QComboBox *m_maxRate;
};

} // namespace sonquill
