#pragma once

#include "storage/Settings.h"
#include "ui/main/MainWindowServices.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sonquill {

class OggOptionsDialog;
class SoundCommands;
class SoundGridView;

// The main window's client area: the game folder box, Add Sound(s) with the category for new
// sounds, Distribute and the Ogg choices above the grid; "Selected file" and the preview
// buttons below it. The folder and the Ogg choices are stored in the settings as they change.
class WindowControls : public QObject
{
    Q_OBJECT
public:
    // What the buttons and boxes ask of the window.
    struct Context
    {
        std::function<void()> addChosen;     // Add Sound(s)
        std::function<void()> distribute;    // Distribute SOUND# files
        std::function<void()> folderChanged; // the folder box's text changed
    };

    WindowControls(const MainWindowServices &services, SoundCommands &sounds, Context context,
                   QWidget *window);
    ~WindowControls() override;

    // The client area, holding the grid's view between the rows of controls.
    QWidget *client() const { return m_client; }
    SoundGridView *grid() const { return m_grid; }

    // Reads the stored Ogg choices; the box shows whether encoding is on.
    void loadOggChoices();
    // Whether Wav files are encoded, and how.
    bool oggUse() const { return m_oggUse; }
    const OggSettings &ogg() const { return m_ogg; }

    QString gameFolder() const;
    void setGameFolder(const QString &folder);
    // The category for new sounds, as typed or chosen.
    QString category() const;
    // The categories the box offers; what it shows stays.
    void setCategories(const QStringList &categories);
    // The file "Selected file" names, or nothing.
    QString selectedFile() const;
    void setSelectedFile(const QString &file);

private:
    template <typename Widget> Widget *makeControl(QWidget *parent, const char *objectName);
    void layOut();
    void browseFolderClicked();
    // Enter in the folder box, or a folder chosen: remembered as the game folder.
    void folderEntered();
    void oggEncodingToggled();
    void oggOptionsClicked();

    MainWindowServices m_services;
    Context m_context;
    QWidget *m_window;
    OggSettings m_ogg;
    bool m_oggUse = false;
    // Goes before the settings it edits.
    std::unique_ptr<OggOptionsDialog> m_oggOptionsDialog;

    QWidget *m_client = nullptr;
    QLabel *m_label1 = nullptr;
    QLineEdit *m_txtDir = nullptr;
    QPushButton *m_cmdBrowseDir = nullptr;
    QPushButton *m_cmdAdd = nullptr;
    QLabel *m_label3 = nullptr;
    QComboBox *m_cmbNewCat = nullptr;
    QPushButton *m_cmdDistribute = nullptr;
    QCheckBox *m_chkOgg = nullptr;
    QPushButton *m_cmdOggOptions = nullptr;
    SoundGridView *m_grid = nullptr;
    QWidget *m_picBottom = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_lblFile = nullptr;
    QPushButton *m_cmdPlay = nullptr;
    QPushButton *m_cmdStop = nullptr;
    QPushButton *m_cmdEdit = nullptr;
    QPushButton *m_cmdOpen = nullptr;
};

} // namespace sonquill
