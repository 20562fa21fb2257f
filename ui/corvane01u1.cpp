#include "ui/corvane01u1.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
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
#include "ui/option_controls.h"
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

TSpinEx* MakeSpin(QWidget* parent, QRect geometry, const TOptionRow& row) {
    auto* spin = new TSpinEx(parent);
    spin->setGeometry(geometry);
    spin->SetAlignment(Qt::AlignRight);
    ConfigureSpin(*spin, row);
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
    using enum TOptionId;
    const auto row = [](TOptionId id) -> const TOptionRow& { return OptionRow(id); };
    const auto checkBox = [&](QWidget* parent, TOptionId id, QRect geometry) {
        return MakeCheckBox(parent, OptionCaption(row(id)), geometry, row(id).Default != 0);
    };
    const auto radioGroup = [&](QWidget* parent, TOptionId id, QRect geometry) {
        auto* group = new TRadioGroup(OptionCaption(row(id)), OptionItems(row(id)), parent);
        group->setGeometry(geometry);
        group->SetItemIndex(row(id).Default);
        return group;
    };

    Label4 = MakeLabel(client, OptionCaption(row(SaveFormat)), 241, 192);
    ComboBox1 = MakeEditableCombo(client, OptionItems(row(SaveFormat)), {304, 192, 73, 20});
    ComboBox1->setCurrentText(QString::fromUtf8(row(SaveFormat).DefaultText.data(),
                                                static_cast<qsizetype>(row(SaveFormat).DefaultText.size())));

    GroupBox3 = new QGroupBox(QStringLiteral("JPEGオプション"), client);
    GroupBox3->setGeometry(240, 213, 137, 60);
    // 4 pixels right of the layout's place, clear of the ")" of Label1.
    SpinEx5 = MakeSpin(GroupBox3, {76, 16, 49, 21}, row(JPEGQuality));
    Label5 = MakeLabel(GroupBox3, OptionCaption(row(JPEGQuality)), 16, 12);
    Label1 = MakeLabel(GroupBox3, QStringLiteral("(99：非圧縮)"), 8, 26);
    CheckBox14 = checkBox(GroupBox3, Progressive, {8, 40, 97, 17});

    RadioGroup1 = radioGroup(client, NameCase, {400, 216, 73, 57});

    // 11 pixels wider than the layout's 273 (and the window with it), for
    // ComboBox2's longest item.
    GroupBox4 = new QGroupBox(QStringLiteral("回転"), client);
    GroupBox4->setGeometry(240, 272, 284, 49);
    Label3 = MakeLabel(GroupBox4, QStringLiteral("角度(＋左)"), 32, 8);
    // 4 pixels wider than the layout's 57, so that "-360.0" shows whole; it
    // starts 2 pixels further left and "deg" 1 further right to make room.
    SpinEx6 = MakeSpin(GroupBox4, {6, 24, 61, 21}, row(Angle));
    Label2 = MakeLabel(GroupBox4, QStringLiteral("deg"), 73, 32);
    // The check boxes stand 6 pixels left of the layout's place; ComboBox2
    // starts 8 pixels earlier and is 25 wider, so that its items show whole.
    CheckBox10 = checkBox(GroupBox4, Circum, {98, 18, 57, 15});
    CheckBox15 = checkBox(GroupBox4, Mirror, {98, 32, 49, 15});
    Label8 = MakeLabel(GroupBox4, OptionCaption(row(AutoTurn)), 184, 8);
    ComboBox2 = MakeEditableCombo(GroupBox4, OptionItems(row(AutoTurn)), {160, 24, 122, 20});
    ComboBox2->setCurrentIndex(row(AutoTurn).Default);

    RadioGroup2 = radioGroup(client, ToneFirst, {240, 328, 137, 41});

    GroupBox2 = new QGroupBox(QStringLiteral("ガンマ補正(1.0：無補正)"), client);
    GroupBox2->setGeometry(240, 376, 137, 49);
    CheckBox12 = checkBox(GroupBox2, GammaInverse, {8, 24, 57, 17});
    SpinEx4 = MakeSpin(GroupBox2, {72, 20, 57, 21}, row(Gamma));

    GroupBox1 = new QGroupBox(QStringLiteral("色調"), client);
    // Widened with GroupBox4, whose right edge it shares.
    GroupBox1->setGeometry(376, 328, 148, 97);
    Label63 = MakeLabel(GroupBox1, OptionCaption(row(Brightness)), 8, 16);
    SpinEx1 = MakeSpin(GroupBox1, {72, 8, 57, 21}, row(Brightness));
    Label64 = MakeLabel(GroupBox1, OptionCaption(row(Contrast)), 8, 40);
    SpinEx2 = MakeSpin(GroupBox1, {72, 32, 57, 21}, row(Contrast));
    Label65 = MakeLabel(GroupBox1, QStringLiteral("レベル(1.0：無補正)"), 8, 56);
    CheckBox11 = checkBox(GroupBox1, LevelInverse, {8, 72, 57, 17});
    SpinEx3 = MakeSpin(GroupBox1, {72, 72, 57, 21}, row(Level));

    GroupBox5 = new QGroupBox(OptionCaption(row(Resize)), client);
    GroupBox5->setGeometry(240, 432, 273, 45);
    ComboBox3 = MakeEditableCombo(GroupBox5, OptionItems(row(Resize)), {8, 18, 97, 20});
    ComboBox3->setCurrentText(QString::fromUtf8(row(Resize).DefaultText.data(),
                                                static_cast<qsizetype>(row(Resize).DefaultText.size())));
    Label66 = MakeLabel(GroupBox5, QStringLiteral("none / 長辺 N / WxH / P%"), 112, 22);

    optionControls_ = {{Brightness, SpinEx1},      {Contrast, SpinEx2},    {Level, SpinEx3},
                       {LevelInverse, CheckBox11}, {Gamma, SpinEx4},       {GammaInverse, CheckBox12},
                       {ToneFirst, RadioGroup2},   {Angle, SpinEx6},       {Circum, CheckBox10},
                       {Mirror, CheckBox15},       {AutoTurn, ComboBox2},  {SaveFormat, ComboBox1},
                       {NameCase, RadioGroup1},    {JPEGQuality, SpinEx5}, {Progressive, CheckBox14},
                       {Resize, ComboBox3}};
}

QObject* TForm1::OptionControl(TOptionId id) const {
    const auto it = optionControls_.find(id);
    return it == optionControls_.end() ? nullptr : it->second;
}

void TForm1::CreateMenu() {
    QMenuBar* bar = menuBar();
    bar->setFont(FormFont());
    QMenu* file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    file->setFont(FormFont());
    Exit1 = file->addAction(QStringLiteral("終了(&X)"));
    CreateSettingsMenu();
    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setFont(FormFont());
    Help2 = help->addAction(QStringLiteral("ヘルプ(&H)"));
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Help2->setShortcutContext(Qt::WindowShortcut);
    About1 = help->addAction(QStringLiteral("バージョン情報(&A)"));
}

void TForm1::CreateSettingsMenu() {
    SettingsMenu = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    SettingsMenu->setFont(FormFont());
    for (const TOptionRow& row : OptionTable()) {
        if (row.Place != TOptionPlace::SettingsMenu) continue;
        if (row.Kind == TOptionKind::Switch) {
            QAction* item = SettingsMenu->addAction(OptionCaption(row));
            item->setCheckable(true);
            item->setChecked(row.Default != 0);
            optionControls_[row.Id] = item;
        } else {
            // A choice: its items as radio items under its caption.
            QMenu* sub = SettingsMenu->addMenu(OptionCaption(row));
            sub->setFont(FormFont());
            auto* group = new QActionGroup(sub);
            group->setExclusive(true);
            const QStringList items = OptionItems(row);
            for (int i = 0; i < items.size(); ++i) {
                QAction* item = sub->addAction(items[i]);
                item->setCheckable(true);
                item->setChecked(i == row.Default);
                group->addAction(item);
            }
            optionControls_[row.Id] = group;
        }
    }
    // Settings have nowhere else to be seen; an empty menu is not shown.
    SettingsMenu->menuAction()->setVisible(!SettingsMenu->isEmpty());
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
    auto show = [this](const QString& text) { ShowErrorText(text.toStdString()); };
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

void TForm1::ShowErrorText(const std::string& text) noexcept {
    try {
        dialogs_->ShowError(this, QString::fromStdString(text));
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
