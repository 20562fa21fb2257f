// The batch list handlers of TForm1: ADD, DEL, CLEAR, LOAD, SAVE and the
// batch list refresh. The list box's items are the batch list itself; each
// keeps its entry's bytes, and shows them as text.
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <memory>

#include "app/batch_list_ops.h"
#include "ui/batch_list_drop.h"
#include "ui/corvane01u1.h"
#include "ui/directory_list_box.h"
#include "ui/file_list_box.h"
#include "ui/list_box.h"
#include "ui/text_bytes.h"

namespace corvane {

namespace {

constexpr int kEntryRole = Qt::UserRole;

// Runs the list's refresh and the run-button rule however LOAD ends: a list
// emptied before a failed read must look empty.
class TRefreshOnExit {
public:
    explicit TRefreshOnExit(TForm1& form) : form_(form) {}
    ~TRefreshOnExit() {
        form_.BatchListRefresh();
        form_.ApplyRunButtonRule();
    }
    TRefreshOnExit(const TRefreshOnExit&) = delete;
    TRefreshOnExit& operator=(const TRefreshOnExit&) = delete;

private:
    TForm1& form_;
};

}  // namespace

std::vector<std::string> TForm1::ListEntries() const {
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i)
        entries.push_back(ListBox1->item(i)->data(kEntryRole).toByteArray().toStdString());
    return entries;
}

int TForm1::ListCount() { return ListBox1->count(); }

std::string TForm1::ListEntry(int index) {
    const QListWidgetItem* it = ListBox1->item(index);
    return it ? it->data(kEntryRole).toByteArray().toStdString() : std::string();
}

void TForm1::ListAppend(const std::vector<std::string>& entries) {
    {
        TUpdateBracket bracket(ListBox1);
        for (const std::string& entry : entries)
            ListBox1->AddItem(FromBytes(entry))->setData(kEntryRole, QByteArray::fromStdString(entry));
    }
    // The runner appends the selection and refreshes nothing when the run
    // then fails: the list's controls follow every append here.
    BatchListRefresh();
}

void TForm1::ListClear() {
    ListBox1->clear();
    ListBox1->update();
    BatchListRefresh();
}

void TForm1::BatchListRefresh() {
    ListBox1->SetHorizontalExtent(ListBox1->WidestItem() + 20);
    const bool any = ListBox1->count() > 0;
    for (QWidget* w : {static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(Button14),
                       static_cast<QWidget*>(Button15), static_cast<QWidget*>(Button17)})
        w->setEnabled(any);
}

bool TForm1::ListBox1DragOver(const QDropEvent& event) const {
    return !running_ && CarriesLocalFiles(event.mimeData()) &&
           ListBox1->geometry().contains(event.position().toPoint());
}

void TForm1::ListBox1DragDrop(const QList<QUrl>& urls) {
    ListAppend(DroppedEntries(urls, DirectoryListBox2->Directory(), FileListBox1->Mask()));
    ApplyRunButtonRule();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched != centralWidget()) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto& drag = static_cast<QDragMoveEvent&>(*event);
            if (ListBox1DragOver(drag)) {
                drag.setDropAction(Qt::CopyAction);
                drag.accept(ListBox1->geometry());
            } else if (event->type() == QEvent::DragEnter && !running_ &&
                       CarriesLocalFiles(drag.mimeData())) {
                // Taken wherever files enter, or the moves onto the list would
                // not follow; nothing may be dropped here.
                drag.accept();
                drag.setDropAction(Qt::IgnoreAction);
            } else {
                drag.ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto& drop = static_cast<QDropEvent&>(*event);
            if (!ListBox1DragOver(drop)) {
                drop.ignore();
                return true;
            }
            drop.setDropAction(Qt::CopyAction);
            drop.accept();
            const QList<QUrl> urls = drop.mimeData()->urls();
            Guarded([this, &urls] { ListBox1DragDrop(urls); });
            return true;
        }
        default:
            return QMainWindow::eventFilter(watched, event);
    }
}

void TForm1::Button13Click() {
    // Every entry is made before any is added, so a name that cannot be
    // listed adds nothing rather than half the selection.
    ListAppend(SelectionEntries(Selection()));
    FileListBox1->Update();
    FileListBox1Change();
    BatchListRefresh();
}

void TForm1::Button14Click() {
    {
        TUpdateBracket bracket(ListBox1);
        for (int i = ListBox1->count() - 1; i >= 0; --i)
            if (ListBox1->item(i)->isSelected()) std::unique_ptr<QListWidgetItem>(ListBox1->takeItem(i));
    }
    BatchListRefresh();
    ApplyRunButtonRule();
}

void TForm1::Button15Click() {
    ListBox1->clear();
    BatchListRefresh();
    ApplyRunButtonRule();
}

void TForm1::Button16Click() {
    if (!OpenDialog1.Execute(*dialogs_, this)) return;
    // A loaded file replaces the list, even when it cannot be read.
    ListBox1->clear();
    TRefreshOnExit refresh(*this);
    TBatchList loaded;
    LoadList(loaded, ToBytes(OpenDialog1.FileName));
    ListAppend(loaded);
}

void TForm1::Button17Click() {
    if (ListBox1->count() == 0) return;
    if (!SaveDialog1.Execute(*dialogs_, this)) return;
    SaveList(ListEntries(), ToBytes(SaveDialog1.FileName));
}

}  // namespace corvane
