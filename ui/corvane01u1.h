// TForm1: the main window. It owns the controls and wires them to the
// batch list, the options and the runner of app/; it is the runner's host.
// Control members are non-owning: Qt's parent chain owns every widget.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QUrl>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_settings.h"
#include "app/option_table.h"
#include "app/runner_host.h"
#include "imaging/errors.h"
#include "ui/corvane01u2.h"
#include "ui/dialogs.h"
#include "ui/drive_combo_box.h"
#include "ui/help_launch.h"
#include "ui/list_dialogs.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDropEvent;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

namespace corvane {

class TDirectoryListBox;
class TFileListBox;
class TListBox;
class TPathLabel;
class TRadioGroup;
class TSpinEx;

class TForm1 : public QMainWindow, public TRunnerHost {
    Q_OBJECT
public:
    // The client area the layout needs under the menu bar: 11 pixels wider
    // than the window was drawn for (the rotation group has grown), and
    // taller by the row of the resize group under the original layout.
    static constexpr int kClientWidth = 527;
    static constexpr int kClientHeight = 482;

    // `dialogs`: the real dialogs when null. `drives`: the mounted file
    // systems when empty.
    explicit TForm1(std::unique_ptr<TDialogs> dialogs = nullptr, const QStringList& drives = {});
    ~TForm1() override;

    // Source side.
    QLabel* Label26;
    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    TPathLabel* Label6;
    QPushButton* Button11;
    QPushButton* Button12;
    QLabel* Label45;
    QLabel* Label46;
    QCheckBox* CheckBox13;
    // Destination side.
    QLabel* Label25;
    TDriveComboBox* DriveComboBox2;
    TDirectoryListBox* DirectoryListBox2;
    TPathLabel* Label7;
    // Batch list.
    QPushButton* Button13;
    QPushButton* Button14;
    QPushButton* Button15;
    TListBox* ListBox1;
    QLabel* Label79;
    QPushButton* Button16;
    QPushButton* Button17;
    // Run and exit.
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    // Output options.
    QLabel* Label4;
    QComboBox* ComboBox1;
    QGroupBox* GroupBox3;
    TSpinEx* SpinEx5;
    QLabel* Label5;
    QLabel* Label1;
    QCheckBox* CheckBox14;
    TRadioGroup* RadioGroup1;
    // Image options.
    QGroupBox* GroupBox4;
    QLabel* Label3;
    TSpinEx* SpinEx6;
    QLabel* Label2;
    QCheckBox* CheckBox10;
    QCheckBox* CheckBox15;
    QLabel* Label8;
    QComboBox* ComboBox2;
    TRadioGroup* RadioGroup2;
    QGroupBox* GroupBox2;
    QCheckBox* CheckBox12;
    TSpinEx* SpinEx4;
    QGroupBox* GroupBox1;
    QLabel* Label63;
    TSpinEx* SpinEx1;
    QLabel* Label64;
    TSpinEx* SpinEx2;
    QLabel* Label65;
    // The resize group, below the original controls.
    QGroupBox* GroupBox5;
    QComboBox* ComboBox3;
    QLabel* Label66;
    QCheckBox* CheckBox11;
    TSpinEx* SpinEx3;
    // Menu.
    QAction* Exit1;
    QAction* Help2;
    QAction* About1;
    // "設定(&S)": the settings the window's layout has no place for.
    QMenu* SettingsMenu;

    TListFileDialog OpenDialog1;
    TListFileDialog SaveDialog1;
    // Exists only while a run with entries is under way.
    std::unique_ptr<TForm2> Form2;

    // Handlers.
    void FormCreate();
    void DirectoryListBox1Change(QObject* origin);
    void DirectoryListBox1Click();
    void DirectoryListBox2Change(QObject* origin);
    void DirectoryListBox2Click();
    void FileListBox1Change();
    void FileListBox1Click();
    void DriveComboBox2Change();
    void ComboBox1Change();
    void Button11Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void Button15Click();
    void Button16Click();
    void Button17Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void Exit1Click();
    void Help2Click();
    void About1Click();
    // Files and folders dragged from a file manager onto the batch list:
    // whether the list takes the drag where it is now, and the drop.
    bool ListBox1DragOver(const QDropEvent& event) const;
    void ListBox1DragDrop(const QList<QUrl>& urls);

    // The batch list refresh: extent, and enabling of the list's controls.
    void BatchListRefresh();
    // Run button and selected-count label.
    void ApplyRunButtonRule();
    // The option values a run takes: every row of the option table the
    // window has a control for, read through that control.
    TConversionSettings ReadSettings() const;
    // The control of an option row: a widget of the layout, a checkable
    // QAction or a QActionGroup of the settings menu; null for a row of the
    // command line only.
    QObject* OptionControl(TOptionId id) const;
    // ComboBox2's item whose text equals the box's text exactly, else -1.
    int ComboBox2Index() const;
    // Opens an existing help page with `browser`; a start failure is shown.
    void OpenHelp(const QString& page, const TAssociatedProgram& browser);
    bool Running() const { return running_; }

    // The batch list's entries, as stored (bytes).
    std::vector<std::string> ListEntries() const;

    // TRunnerHost.
    int ListCount() override;
    std::string ListEntry(int index) override;
    void ListAppend(const std::vector<std::string>& entries) override;
    void ListClear() override;
    void ListKeepOnly(const std::vector<int>& indices) override;
    TFileSelection Selection() override;
    void DisableRunButton() override;
    void RefreshFileList() override;
    void ProgressCreate() override;
    void ProgressCaption(const std::string& caption) override;
    void ProgressLines(const std::string& line1, const std::string& line2) override;
    void ProgressRange(int minimum, int maximum, int position, int step) override;
    void ProgressStep() override;
    void ProgressRepaint() override;
    void ProgressDestroy() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void Beep() override;
    void ShowFinished(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowFailures(const std::vector<TEntryOutcome>& failures) override;
    void MoveToTrash(const std::string& path) override;
    void EntryDone(const TEntryOutcome& outcome) override;
    bool StopRequested() override;

signals:
    // The progress window was repainted after an update (observers read it).
    void ProgressRepainted();
    // An entry of the run has ended, in list order; its data is valid only
    // during the call.
    void EntryFinished(const corvane::TEntryOutcome& outcome);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The client area's drag events, for drops onto the batch list.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateSourceSide(QWidget* client);
    void CreateDestinationSide(QWidget* client);
    void CreateBatchList(QWidget* client);
    void CreateOptions(QWidget* client);
    void CreateMenu();
    void CreateSettingsMenu();
    void SetTabOrder();
    void Connect();
    void FolderExtent(TDirectoryListBox* list);
    // Drives the run on a thread of its own while this thread keeps the
    // windows alive; returns when the run is over.
    void RunOffTheUiThread(const TConversionSettings& settings);

    // Runs a handler; a failure is shown by the error display and never
    // leaves the handler (no exception may cross Qt's event loop).
    template <class F>
    void Guarded(F&& handler) noexcept {
        try {
            handler();
        } catch (...) {
            ShowErrorText(FailureText());
        }
    }
    // Shows a text that already is the user's (FailureText's) in the error box.
    void ShowErrorText(const std::string& text) noexcept;

    std::unique_ptr<TDialogs> dialogs_;
    TDriveFolders driveFolders_;
    std::map<TOptionId, QObject*> optionControls_;  // owned by the window
    bool running_ = false;
    bool stopRequested_ = false;  // by the progress window, for the run under way
    bool waitCursor_ = false;
    int progressStep_ = 1;
    bool shownOnce_ = false;
};

}  // namespace corvane
