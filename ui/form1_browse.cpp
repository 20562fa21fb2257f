// The browsing handlers of TForm1: the folder link between the two sides,
// the one-click folder lists, and the file selection update.
#include <QCheckBox>
#include <QItemSelection>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/batch_list_ops.h"
#include "ui/corvane01u1.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/list_box.h"

namespace corvane {

void TForm1::FolderExtent(TDirectoryListBox* list) {
    list->SetHorizontalExtent(list->WidestItem() + 5 * TDirectoryListBox::SeparatorCount(list->Directory()) +
                              20);
}

void TForm1::DirectoryListBox1Change(QObject* origin) {
    FolderExtent(DirectoryListBox1);
    if (origin == DirectoryListBox2 || origin == DriveComboBox2) return;
    // A new source folder has just dropped the selection, so with the link
    // on the destination always follows.
    if (FileListBox1->SelCount() == 0 && CheckBox13->isChecked())
        DirectoryListBox2->SetDirectory(DirectoryListBox1->Directory());
    DirectoryListBox2Change(origin);
}

void TForm1::DirectoryListBox2Change(QObject* origin) {
    FolderExtent(DirectoryListBox2);
    if (origin == DirectoryListBox1 || origin == DriveComboBox1) return;
    // With files selected the destination moves alone: moving the source
    // would drop the selection.
    if (FileListBox1->SelCount() == 0 && CheckBox13->isChecked())
        DirectoryListBox1->SetDirectory(DirectoryListBox2->Directory());
    DirectoryListBox1Change(origin);
}

// Opening rebuilds the list, which deletes the item whose selection is being
// signalled; so the open waits for the event loop.
void TForm1::DirectoryListBox1Click() {
    QTimer::singleShot(0, this, [this] { Guarded([this] { DirectoryListBox1->OpenCurrent(); }); });
}

void TForm1::DirectoryListBox2Click() {
    QTimer::singleShot(0, this, [this] { Guarded([this] { DirectoryListBox2->OpenCurrent(); }); });
}

void TForm1::DriveComboBox2Change() {
    if (FileListBox1->SelCount() == 0 && CheckBox13->isChecked())
        DriveComboBox1->SetDrive(DriveComboBox2->Drive());
}

void TForm1::FileListBox1Change() {
    FileListBox1->SetHorizontalExtent(FileListBox1->WidestItem() + 10);
    ApplyRunButtonRule();
}

void TForm1::FileListBox1Click() { FileListBox1Change(); }

void TForm1::ApplyRunButtonRule() {
    const int selected = FileListBox1->SelCount();
    BitBtn1->setEnabled(RunButtonEnabled(selected, ListBox1->count()));
    Label46->setText(QString::fromStdString(CountLabelText(selected, ListBox1->count())));
    Label46->adjustSize();
}

void TForm1::Button11Click() {
    if (FileListBox1->count() > 0) {
        const QItemSelection all(FileListBox1->model()->index(0, 0),
                                 FileListBox1->model()->index(FileListBox1->count() - 1, 0));
        FileListBox1->selectionModel()->select(all, QItemSelectionModel::Toggle);
    }
    FileListBox1Change();
}

void TForm1::Button12Click() {
    FileListBox1->Update();
    FileListBox1Change();
}

}  // namespace corvane
