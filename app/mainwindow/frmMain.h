#pragma once
// The main window: the list of installed visual styles, the preview, the commands on the
// selected style, the menus and the tray icon. Its `functions` control is the utility
// object every window of the program reaches through mdlMain.
//
// The handlers are spread over several files by concern: frmMain.cpp (layout, loading,
// tray, ending, the windows it opens), frmMainCatalogue.cpp (list, selection, preview,
// readme), frmMainStyle.cpp (apply and open), frmMainUninstall.cpp, frmMainShortcut.cpp
// (the My Computer folder), frmMainHelp.cpp (help menu), frmMainInstall.cpp and
// frmMainDrop.cpp (archives dropped on the window) and frmMainRoots.cpp (the Windows
// root).

#include "style/StyleFile.h"
#include "windows/WorkAside.h"

#include <QMainWindow>
#include <QPixmap>

#include <filesystem>
#include <optional>
#include <type_traits>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QToolButton;
class QLFunctions;
class PictureBox;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The window's client area (600 x 399), parent of every control.
    QWidget* client;

    // Controls, named as the program's other windows and tests know them.
    QLFunctions* functions;
    QSystemTrayIcon* SysIcon;
    QPushButton* cmdOpen;
    QPushButton* cmdApply;
    QPushButton* cmdAbout;
    QPushButton* cmdRefresh;
    QPushButton* cmdInfo;
    QPushButton* cmdInst;
    QPushButton* cmdUninst;
    PictureBox* picPreview;
    QLabel* Label1;
    QListWidget* lstVS;
    QLabel* lblVersion;
    // The colour scheme and the size Apply applies, shown with their labels for every
    // selected style whose file lists them (disabled when it offers one); an item shows the
    // display name, its data is the name the style file gives it.
    QLabel* lblColor;
    QComboBox* cboColor;
    QLabel* lblSize;
    QComboBox* cboSize;
    // The line above the list that says what start-up notes without stopping anything (a
    // Wine running in the prefix), with the button that closes it.
    QFrame* fraNote;
    QLabel* lblNote;
    QToolButton* cmdCloseNote;

    // Menus.
    QMenu* mnuFile;
    QAction* mnuRefresh;
    QAction* mnuInstall;
    // The Windows roots found on this machine, filled each time it opens, and "Other
    // folder...".
    QMenu* mnuRoots;
    QAction* mnuSep1;
    QAction* mnuExit;
    QMenu* mnuTools;
    QAction* mnuCleanup;
    QAction* mnuAddShortcut;
    QAction* mnuSystems;
    QAction* mnuAppearance;
    QAction* mnusep3;
    QMenu* mnuVS;
    QAction* mnuMoreInfo;
    QAction* mnuApply;
    QAction* mnuUninstall;
    QAction* mnuClassic;
    QMenu* mnuHelpMain;
    QAction* mnuHelp;
    QAction* mnuReadme;
    QAction* mnuSep2;
    QAction* mnuDonate;
    QAction* mnuUpdates;
    QAction* mnuAbout;

    // The text of the selected style, empty when nothing is selected.
    QString selectedStyle() const;
    // The index of the selected item, -1 when nothing is selected.
    int selectedIndex() const;

    // Whether a listing of the themes directory is running.
    bool isListing() const { return m_listing; }

    // Shows the notes in the line above the list, or hides the line when there are none.
    void showNotes(const QStringList& notes);

    // Asks whether to install the archives handed to the program at start and, when the
    // user agrees, installs them as dropped archives are installed.
    void offerToInstall(const QStringList& archives);

    // Makes the folder the Windows root of the whole program, at once and for the next
    // start: the registry, the themes directory, the list, the My Computer mark and the
    // start-up reports all follow it. A folder that holds no Wine prefix is refused with
    // a message. Whether it was taken.
    bool switchRoot(const std::filesystem::path& folder);

    // Installs archive files (host paths) as Install does, one after the other, with the
    // progress of the run, then refreshes the list once. When one of them is no archive,
    // nothing is installed and the user is told which. Ignored while an install runs.
    void installArchiveFiles(const QStringList& files);

public slots:
    // Loading and the window's own events.
    void Form_Load();
    void Form_Resize();
    void SysIcon_DblClick();
    void Form_Unload();
    void mnuExit_Click();

    // Windows opened from here.
    void cmdAbout_Click();
    void mnuAbout_Click();
    void mnuCleanup_Click();
    void mnuSystems_Click();
    void mnuAppearance_Click();

    // Forwarding.
    void mnuRefresh_Click();
    void mnuInstall_Click();
    void mnuMoreInfo_Click();
    void lstVS_DblClick();
    void mnuApply_Click();
    void mnuUninstall_Click();

    // Catalogue, selection, preview, readme.
    void cmdRefresh_Click();
    void lstVS_Click();
    void picPreview_Click();
    void cmdInfo_Click();

    // The selected style.
    void cmdApply_Click();
    void cmdOpen_Click();
    void cmdUninst_Click();
    void mnuClassic_Click();

    // The My Computer folder.
    void mnuAddShortcut_Click();

    // Help menu.
    void mnuHelp_Click();
    void mnuReadme_Click();
    void mnuDonate_Click();
    void mnuUpdates_Click();

    // Installing from an archive.
    void cmdInst_Click();

    // The Windows roots: the submenu filled as it opens, a folder of the user's choice, and
    // the Wine chosen for the managed prefix (or forgotten, for the prefix's own).
    void mnuRoots_AboutToShow();
    void mnuOtherRoot_Click();
    void mnuRootWine_Click();
    void mnuRootOwnWine_Click();
    // The selected style (with its colour scheme and size), or an archive, carried into
    // other prefixes the user checks.
    void mnuApplyToPrefixes_Click();
    void mnuInstallToPrefixes_Click();

protected:
    // Ends the whole program at once. Tests replace it so their own process lives on.
    virtual void endProgram();
    // Whether the desktop offers a notification area to hide into.
    virtual bool trayAvailable() const;

    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    // Places the controls below the header: the note's line when it is shown, the list and
    // the preview below it, the scheme and size row under the preview, the commands under
    // that; the client area grows by the note's line.
    void placeControls();
    void buildMenus();
    void connectHandlers();

    // Catalogue.
    void listStyles();
    void handleEmptyCatalogue();
    // Marks the style in use in the list (bold, with a check mark; its text stays the
    // folder name), as the registry holds it now; unmarks the one marked before.
    void markStyleInUse();
    // Loads the selected style's preview into picPreview; false when it cannot be read.
    bool loadPreview(const QString& picturePath);
    // Shows the preview drawn from the selected style's file in the colour scheme and size
    // chosen, kept for the clicks on the preview; false when it cannot be drawn.
    bool showDrawnPreview(const QString& style);
    // The drawn preview again, after another colour scheme or size was chosen.
    void redrawPreview();

    // The opening steps of Apply and Open: the selection ("QuorlinZevra cannot <verb> your
    // visual style ..."), the busy pointer and the themes directory check (false when the
    // command stops there); then, for Open, the style file (empty when there is none).
    // The user has been told why a command stops.
    bool selectionReady(const QString& verb) const;
    QString styleFileOfSelection(const QString& verb) const;
    // The scheme and size choices of the selected style (frmMainStyle.cpp): its file read
    // once per selection, its choices and details shown.
    void buildStyleChoices();
    void showStyleChoices();
    // The colour scheme and size chosen, as indices into the style's lists.
    int chosenColorIndex() const;
    int chosenSizeIndex() const;

    // Work that waits on Wine (Apply, the classic look), run aside (WorkAside.h): the busy
    // pointer, the commands that would interfere disabled and drops refused until it ends.
    // Its result; nothing when the user closed the program meanwhile, which then ends
    // without a word more.
    template <typename Work> std::optional<std::invoke_result_t<Work&>> whileWineWorks(Work work);
    void beginWineWork();
    // Puts back what beginWineWork changed; false when the program ends instead.
    bool endWineWork();
    // After Open started a program: the pointer of a program starting, and Open disabled,
    // for as long as Wine takes to show one.
    void showProgramStarting();
    // Whether a command that changes the prefix may start now (none while another runs).
    bool idle() const { return !m_wineWork && !m_installing && !m_uninstalling; }

    // Install: the archives one after the other, with their progress; one archive from the
    // themes directory check on.
    void installArchives(const QStringList& archives);
    void installArchive(const QString& archive);

    // Uninstall: empties the folder but for the file of the style in use (a full path,
    // empty for none).
    void ClearFolder(const QString& path, const QString& inUse = QString());

    // The My Computer folder at start-up.
    void registerFolderClass();
    void synchroniseMyComputerEntry();

    // The selected style's file, read once per selection, and whose it is.
    StyleFile m_selectedFile;
    QString m_selectedFileStyle;
    // The drawn preview of the selected style, and whose it is.
    QPixmap m_drawnPreview;
    QString m_drawnPreviewStyle;

    // The text of the item marked as the style in use, empty when none is.
    QString m_markedStyle;

    bool m_listing = false;
    bool m_uninstalling = false;
    bool m_installing = false;
    bool m_ending = false;
    bool m_wineWork = false;
    int m_programsStarting = 0;
    static constexpr int kProgramStartingTime = 3000;
    bool m_endAfterWineWork = false;
    // What Wine work disabled, to be enabled again after it.
    QList<QObject*> m_disabledForWine;
};

template <typename Work> std::optional<std::invoke_result_t<Work&>> frmMain::whileWineWorks(Work work) {
    beginWineWork();
    auto result = kolv::runAside(std::move(work));
    if (!endWineWork())
        return std::nullopt;
    return result;
}
