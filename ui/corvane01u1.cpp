#include "ui/corvane01u1.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "imaging/errors.h"
#include "ui/SpinEx.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/fonts.h"
#include "ui/list_box.h"
#include "ui/path_label.h"
#include "ui/radio_group.h"
#include "ui/text_bytes.h"

namespace corvane {

namespace {

// The folder lists are 161 pixels wide; their path labels shorten to that.
constexpr int kFolderListWidth = 161;

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, QRect geometry) {
    auto* button = new QPushButton(text, parent);
    // Return and Enter press the focused button (outside a dialog Qt's
    // buttons ignore them unless they are auto-default).
    button->setAutoDefault(true);
    button->setGeometry(geometry);
    return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& text, QRect geometry, bool checked) {
    auto* box = new QCheckBox(text, parent);
    // Widened when this platform's font runs a caption past the right edge.
    const int needed = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                       box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) +
                       box->fontMetrics().horizontalAdvance(text) + 1;
    geometry.setWidth(std::max(geometry.width(), needed));
    box->setGeometry(geometry);
    box->setChecked(checked);
    return box;
}

QComboBox* MakeEditableCombo(QWidget* parent, const QStringList& items, QRect geometry) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    // Typed text stays typed text: no item is added on Enter and nothing is
    // completed from the items.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->addItems(items);
    combo->setCurrentIndex(0);
    combo->setGeometry(geometry);
    // The list drops down as wide as its longest item, not just as the box.
    QAbstractItemView* list = combo->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth());
    return combo;
}

TSpinEx* MakeSpin(QWidget* parent, QRect geometry, int minValue, int maxValue, int increment, TSpinType type,
                  unsigned short mulOrDiv, int value) {
    auto* spin = new TSpinEx(parent);
    spin->setGeometry(geometry);
    spin->SetAlignment(Qt::AlignRight);
    // Bounds and factor before the mode, the mode before the value, so the
    // value is shown in its final form.
    spin->SetMinValue(minValue);
    spin->SetMaxValue(maxValue);
    spin->SetIncrement(increment);
    spin->SetMulOrDiv(mulOrDiv);
    spin->SetSpinType(type);
    spin->SetValue(value);
    return spin;
}

}  // namespace

TForm1::TForm1(std::unique_ptr<TDialogs> dialogs, const QStringList& drives)
    : dialogs_(dialogs ? std::move(dialogs) : MakeQtDialogs()), driveFolders_(drives) {
    CreateControls();
    CreateMenu();
    SetTabOrder();

    DriveComboBox1->SetDirList(DirectoryListBox1);
    DirectoryListBox1->SetDriveCombo(DriveComboBox1);
    DirectoryListBox1->SetFileList(FileListBox1);
    DirectoryListBox1->SetDirLabel(Label6);
    DriveComboBox2->SetDirList(DirectoryListBox2);
    DirectoryListBox2->SetDriveCombo(DriveComboBox2);
    DirectoryListBox2->SetDirLabel(Label7);

    // Both sides start on the process's current folder (a folder that has
    // gone away falls back to the home folder, then to the root).
    for (const QString& start : {QDir::currentPath(), QDir::homePath(), QStringLiteral("/")}) {
        try {
            DirectoryListBox1->SetDirectory(start);
            DirectoryListBox2->SetDirectory(start);
            break;
        } catch (const ECorvaneError&) {
        }
    }
    FolderExtent(DirectoryListBox1);
    FolderExtent(DirectoryListBox2);
    Connect();

    BatchListRefresh();
    FormCreate();
    FileListBox1Change();

    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

TForm1::~TForm1() {
    Form2.reset();
    EndWaitCursor();
}

void TForm1::CreateControls() {
    auto* client = new QWidget(this);
    client->setFont(FormFont());
    setCentralWidget(client);
    CreateSourceSide(client);
    CreateDestinationSide(client);
    CreateBatchList(client);
    CreateOptions(client);

    BitBtn1 = MakeButton(client, QStringLiteral("実行"), {272, 160, 81, 25});
    BitBtn1->setFont(BigButtonFont());
    BitBtn2 = MakeButton(client, QStringLiteral("終了"), {384, 160, 81, 25});
    BitBtn2->setFont(BigButtonFont());

    // Labels lie beneath the other controls: a label that runs into its
    // neighbour is covered by it, not drawn over it.
    for (QLabel* label : client->findChildren<QLabel*>()) label->lower();
}

void TForm1::CreateSourceSide(QWidget* client) {
    Label26 = MakeLabel(client, QStringLiteral("読込場所"), 0, 8);
    DriveComboBox1 = new TDriveComboBox(driveFolders_, client);
    DriveComboBox1->setGeometry(56, 8, 105, 18);
    DirectoryListBox1 = new TDirectoryListBox(driveFolders_, client);
    DirectoryListBox1->setGeometry(0, 32, kFolderListWidth, 105);
    DirectoryListBox1->SetItemHeight(16);
    DirectoryListBox1->setToolTip(QStringLiteral("読込場所"));
    FileListBox1 = new TFileListBox(client);
    FileListBox1->setGeometry(168, 8, 161, 129);
    // 12 pixels of the layout, unless the font's line is taller.
    FileListBox1->SetItemHeight(std::max(12, FileListBox1->fontMetrics().height()));
    FileListBox1->setToolTip(QStringLiteral("SHIFT:連続選択  CTRL:個別追加／削除"));
    Label6 = new TPathLabel(kFolderListWidth, client);
    Label6->move(0, 144);
    Button11 = MakeButton(client, QStringLiteral("反"), {200, 144, 25, 25});
    Button12 = MakeButton(client, QStringLiteral("解"), {232, 144, 25, 25});
    Label45 = MakeLabel(client, QStringLiteral("選択枚数"), 0, 160);
    Label46 = MakeLabel(client, QStringLiteral("0"), 64, 160);
    CheckBox13 = MakeCheckBox(client, QStringLiteral("フォルダ連動"), {104, 160, 89, 17}, true);
}

void TForm1::CreateDestinationSide(QWidget* client) {
    Label25 = MakeLabel(client, QStringLiteral("保存場所"), 336, 8);
    DriveComboBox2 = new TDriveComboBox(driveFolders_, client);
    DriveComboBox2->setGeometry(392, 8, 105, 18);
    DirectoryListBox2 = new TDirectoryListBox(driveFolders_, client);
    DirectoryListBox2->setGeometry(336, 29, kFolderListWidth, 108);
    DirectoryListBox2->SetItemHeight(16);
    DirectoryListBox2->setToolTip(QStringLiteral("保存場所"));
    Label7 = new TPathLabel(kFolderListWidth, client);
    Label7->move(336, 144);
}

void TForm1::CreateBatchList(QWidget* client) {
    Button13 = MakeButton(client, QStringLiteral("ADD"), {72, 184, 49, 25});
    Button14 = MakeButton(client, QStringLiteral("DEL"), {128, 184, 49, 25});
    Button15 = MakeButton(client, QStringLiteral("CLEAR"), {184, 184, 49, 25});
    ListBox1 = new TListBox(client);
    ListBox1->setGeometry(0, 216, 233, 169);
    ListBox1->SetItemHeight(std::max(12, ListBox1->fontMetrics().height()));
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Label79 = MakeLabel(client, QStringLiteral("一括操作リスト"), 32, 400);
    Button16 = MakeButton(client, QStringLiteral("LOAD"), {128, 392, 49, 25});
    Button17 = MakeButton(client, QStringLiteral("SAVE"), {184, 392, 49, 25});
}

void TForm1::CreateOptions(QWidget* client) {
    Label4 = MakeLabel(client, QStringLiteral("保存形式"), 241, 192);
    ComboBox1 = MakeEditableCombo(
        client, {QStringLiteral("AUTO"), QStringLiteral(".bmp"), QStringLiteral(".jpg")}, {304, 192, 73, 20});

    GroupBox3 = new QGroupBox(QStringLiteral("JPEGオプション"), client);
    GroupBox3->setGeometry(240, 213, 137, 60);
    // 4 pixels right of the layout's place, clear of the ")" of Label1.
    SpinEx5 = MakeSpin(GroupBox3, {76, 16, 49, 21}, 35, 99, 1, stNone, 1, 90);
    Label5 = MakeLabel(GroupBox3, QStringLiteral("圧縮率"), 16, 12);
    Label1 = MakeLabel(GroupBox3, QStringLiteral("(99：非圧縮)"), 8, 26);
    CheckBox14 = MakeCheckBox(GroupBox3, QStringLiteral("プログレッシブ"), {8, 40, 97, 17}, false);

    RadioGroup1 =
        new TRadioGroup(QStringLiteral("CharaCase"),
                        {QStringLiteral("None"), QStringLiteral("Lower"), QStringLiteral("Uper")}, client);
    RadioGroup1->setGeometry(400, 216, 73, 57);
    RadioGroup1->SetItemIndex(0);

    // 11 pixels wider than the layout's 273 (and the window with it), for
    // ComboBox2's longest item.
    GroupBox4 = new QGroupBox(QStringLiteral("回転"), client);
    GroupBox4->setGeometry(240, 272, 284, 49);
    Label3 = MakeLabel(GroupBox4, QStringLiteral("角度(＋左)"), 32, 8);
    // 4 pixels wider than the layout's 57, so that "-360.0" shows whole; it
    // starts 2 pixels further left and "deg" 1 further right to make room.
    SpinEx6 = MakeSpin(GroupBox4, {6, 24, 61, 21}, -3600, 3600, 900, stDiv, 10, 0);
    Label2 = MakeLabel(GroupBox4, QStringLiteral("deg"), 73, 32);
    // The check boxes stand 6 pixels left of the layout's place; ComboBox2
    // starts 8 pixels earlier and is 25 wider, so that its items show whole.
    CheckBox10 = MakeCheckBox(GroupBox4, QStringLiteral("Circum"), {98, 18, 57, 15}, true);
    CheckBox15 = MakeCheckBox(GroupBox4, QStringLiteral("Mrror"), {98, 32, 49, 15}, false);
    Label8 = MakeLabel(GroupBox4, QStringLiteral("正立／倒立"), 184, 8);
    ComboBox2 = MakeEditableCombo(
        GroupBox4,
        {QStringLiteral("無し"), QStringLiteral("正立（Portraite）"), QStringLiteral("倒立（Landscape）")},
        {160, 24, 122, 20});

    RadioGroup2 = new TRadioGroup(QStringLiteral("順位"),
                                  {QStringLiteral("色調優先"), QStringLiteral("ガンマ補正優先")}, client);
    RadioGroup2->setGeometry(240, 328, 137, 41);
    RadioGroup2->SetItemIndex(0);

    GroupBox2 = new QGroupBox(QStringLiteral("ガンマ補正(1.0：無補正)"), client);
    GroupBox2->setGeometry(240, 376, 137, 49);
    CheckBox12 = MakeCheckBox(GroupBox2, QStringLiteral("逆変換"), {8, 24, 57, 17}, true);
    SpinEx4 = MakeSpin(GroupBox2, {72, 20, 57, 21}, 1, 27, 1, stDiv, 10, 18);

    GroupBox1 = new QGroupBox(QStringLiteral("色調"), client);
    // Widened with GroupBox4, whose right edge it shares.
    GroupBox1->setGeometry(376, 328, 148, 97);
    Label63 = MakeLabel(GroupBox1, QStringLiteral("明るさ"), 8, 16);
    SpinEx1 = MakeSpin(GroupBox1, {72, 8, 57, 21}, -255, 255, 1, stNone, 1, 0);
    Label64 = MakeLabel(GroupBox1, QStringLiteral("コントラスト"), 8, 40);
    SpinEx2 = MakeSpin(GroupBox1, {72, 32, 57, 21}, -127, 127, 1, stNone, 1, 0);
    Label65 = MakeLabel(GroupBox1, QStringLiteral("レベル(1.0：無補正)"), 8, 56);
    CheckBox11 = MakeCheckBox(GroupBox1, QStringLiteral("逆変換"), {8, 72, 57, 17}, false);
    SpinEx3 = MakeSpin(GroupBox1, {72, 72, 57, 21}, 1, 27, 1, stDiv, 10, 10);
}

void TForm1::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setFont(FormFont());
    QMenu* file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    file->setFont(FormFont());
    Exit1 = file->addAction(QStringLiteral("終了(&X)"));
    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setFont(FormFont());
    Help2 = help->addAction(QStringLiteral("ヘルプ(&H)"));
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Help2->setShortcutContext(Qt::WindowShortcut);
    About1 = help->addAction(QStringLiteral("バージョン情報(&A)"));
}

void TForm1::SetTabOrder() {
    // Group boxes take no focus themselves; their members stand in their place.
    const QList<QWidget*> order = {DriveComboBox1,
                                   DirectoryListBox1,
                                   FileListBox1,
                                   Button11,
                                   Button12,
                                   CheckBox13,
                                   DriveComboBox2,
                                   DirectoryListBox2,
                                   Button13,
                                   Button14,
                                   Button15,
                                   ListBox1,
                                   Button16,
                                   Button17,
                                   ComboBox1,
                                   SpinEx5,
                                   CheckBox14,
                                   RadioGroup1->Button(0),
                                   RadioGroup1->Button(1),
                                   RadioGroup1->Button(2),
                                   SpinEx6,
                                   CheckBox10,
                                   CheckBox15,
                                   ComboBox2,
                                   RadioGroup2->Button(0),
                                   RadioGroup2->Button(1),
                                   CheckBox12,
                                   SpinEx4,
                                   SpinEx1,
                                   SpinEx2,
                                   CheckBox11,
                                   SpinEx3,
                                   BitBtn1,
                                   BitBtn2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TForm1::Connect() {
    auto on = [this](auto* sender, auto signal, auto handler) {
        connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    connect(DirectoryListBox1, &TDirectoryListBox::Change, this,
            [this] { Guarded([this] { DirectoryListBox1Change(DirectoryListBox1); }); });
    connect(DirectoryListBox2, &TDirectoryListBox::Change, this,
            [this] { Guarded([this] { DirectoryListBox2Change(DirectoryListBox2); }); });
    on(DirectoryListBox1, &TDirectoryListBox::Click, &TForm1::DirectoryListBox1Click);
    on(DirectoryListBox2, &TDirectoryListBox::Click, &TForm1::DirectoryListBox2Click);
    on(FileListBox1, &TFileListBox::Change, &TForm1::FileListBox1Change);
    on(FileListBox1, &TFileListBox::Click, &TForm1::FileListBox1Click);
    on(DriveComboBox2, &TDriveComboBox::Change, &TForm1::DriveComboBox2Change);
    on(ComboBox1, &QComboBox::currentTextChanged, &TForm1::ComboBox1Change);
    on(Button11, &QPushButton::clicked, &TForm1::Button11Click);
    on(Button12, &QPushButton::clicked, &TForm1::Button12Click);
    on(Button13, &QPushButton::clicked, &TForm1::Button13Click);
    on(Button14, &QPushButton::clicked, &TForm1::Button14Click);
    on(Button15, &QPushButton::clicked, &TForm1::Button15Click);
    on(Button16, &QPushButton::clicked, &TForm1::Button16Click);
    on(Button17, &QPushButton::clicked, &TForm1::Button17Click);
    on(BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
    on(BitBtn2, &QPushButton::clicked, &TForm1::BitBtn2Click);
    on(Exit1, &QAction::triggered, &TForm1::Exit1Click);
    on(Help2, &QAction::triggered, &TForm1::Help2Click);
    on(About1, &QAction::triggered, &TForm1::About1Click);

    // The list itself takes no drops: an empty list is disabled, and Qt
    // hands a drag over it to the client area, which takes drops there.
    centralWidget()->setAcceptDrops(true);
    centralWidget()->installEventFilter(this);

    // Failures inside the controls' own slots reach the error display.
    auto show = [this](const QString& message) { ShowErrorMessage(message.toUtf8().constData()); };
    connect(DriveComboBox1, &TDriveComboBox::Failed, this, show);
    connect(DriveComboBox2, &TDriveComboBox::Failed, this, show);
    for (TSpinEx* spin : {SpinEx1, SpinEx2, SpinEx3, SpinEx4, SpinEx5, SpinEx6})
        connect(spin, &TSpinEx::Failed, this, show);
}

void TForm1::FormCreate() {
    setWindowTitle(QStringLiteral("Corvane"));
    OpenDialog1.Title = QStringLiteral("一括操作リストの読込");
    OpenDialog1.Filter = QStringLiteral("CSV Text Documents(*.csv)|*.csv|All Documents(*.*)|*.*");
    SaveDialog1.Title = QStringLiteral("一括操作リストの保存");
    SaveDialog1.Filter = QStringLiteral("CSV Text Documents(*.csv)|*.csv|ALL Documents(*.*)|*.*");
    SaveDialog1.DefaultExt = QStringLiteral("csv");
    SaveDialog1.Save = true;
    OpenDialog1.InitialDir = DialogFolder(DirectoryListBox1->Directory());
    SaveDialog1.InitialDir = OpenDialog1.InitialDir;
}

void TForm1::ShowErrorMessage(const char* message) noexcept {
    try {
        dialogs_->ShowError(this, QString::fromUtf8(ErrorDisplayText(message)));
    } catch (...) {
        // Nothing is left to report with.
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A run ends by itself; closing under it would pull the window away.
    if (running_)
        event->ignore();
    else
        event->accept();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TForm1::BitBtn2Click() { close(); }

void TForm1::Exit1Click() { close(); }

}  // namespace corvane
