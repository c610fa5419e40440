// CMainWnd: undo and redo. Every notification is one undo step, and so is a whole drag of the
// graph or of a slider from press to release; the shortcuts and the two toolbar buttons take
// steps back and forth; the status text says what happened to the history.

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

#include "eqgraph/widget/ui_equalizer.h"
#include "uiframework/controls.h"
#include "windows/main_wnd.h"

namespace korvel {

namespace {

bool IsUndoKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Z && key.modifiers() == Qt::ControlModifier;
}

bool IsRedoKey(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Z &&
            key.modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) ||
           (key.key() == Qt::Key_Y && key.modifiers() == Qt::ControlModifier);
}

}  // namespace

void CMainWnd::InitEditHistory() {
    const auto shortcut = [this](QKeyCombination keys, void (CMainWnd::*action)()) {
        auto* s = new QShortcut(QKeySequence(keys), this);
        connect(s, &QShortcut::activated, this, action);
    };
    shortcut(Qt::ControlModifier | Qt::Key_Z, &CMainWnd::UndoEdit);
    shortcut(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z, &CMainWnd::RedoEdit);
    shortcut(Qt::ControlModifier | Qt::Key_Y, &CMainWnd::RedoEdit);
    // Presses that start drags, and the undo keys typed into an edit.
    if (graph_) {
        graph_->installEventFilter(this);
    }
    for (QSlider* slider : findChildren<QSlider*>()) {
        slider->installEventFilter(this);
    }
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        WatchEditKeys(edit);
    }
    ShowEditHistory(false, false);
}

void CMainWnd::WatchEditKeys(QWidget* edit) {
    edit->installEventFilter(this);  // once only, however often it is installed
}

void CMainWnd::Notify(const ui::Notification& notification) {
    if (dragSource_ != nullptr && notification.sender != dragSource_) {
        EndDrag();  // another control acts: the drag is over
    }
    {
        const EditScope step(*manager_);
        Dispatch(notification);
    }
    if (dragSource_ != nullptr && !DragHeld()) {
        EndDrag();  // the release's own notification was the drag's last
    }
}

bool CMainWnd::eventFilter(QObject* watched, QEvent* event) {
    HideUnofferedFilterType(watched, event);
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        (watched == graph_ || qobject_cast<QSlider*>(watched) != nullptr)) {
        BeginDrag(watched);
    } else if (event->type() == QEvent::MouseButtonRelease && watched == dragSource_) {
        // A release that changes nothing sends no notification; the drag ends after it anyway.
        QTimer::singleShot(0, this, [this] {
            if (!DragHeld()) {
                EndDrag();
            }
        });
    } else if (UndoKeyInEdit(watched, event)) {
        return true;
    }
    return MessageWindow::eventFilter(watched, event);
}

bool CMainWnd::UndoKeyInEdit(QObject* watched, QEvent* event) {
    // An edit takes Ctrl+Z for its own text while something is being typed into it; otherwise
    // the keys undo and redo tuning edits there as anywhere in the window.
    const auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr || edit->isModified() ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool undo = IsUndoKey(*key);
    if (!undo && !IsRedoKey(*key)) {
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        undo ? UndoEdit() : RedoEdit();
    }
    event->ignore();  // not the edit's: the window's shortcut may take it
    return true;
}

bool CMainWnd::UndoKeyPressed(QKeyEvent& key) {
    const bool undo = IsUndoKey(key);
    if (!undo && !IsRedoKey(key)) {
        return false;
    }
    undo ? UndoEdit() : RedoEdit();
    key.accept();
    return true;
}

void CMainWnd::BeginDrag(QObject* source) {
    EndDrag();
    dragSource_ = source;
    manager_->BeginEdit();
}

void CMainWnd::EndDrag() {
    if (dragSource_ != nullptr) {
        dragSource_ = nullptr;
        manager_->EndEdit();
    }
}

bool CMainWnd::DragHeld() const {
    if (dragSource_ == graph_ && graph_ != nullptr) {
        return graph_->Capture() != UIEqualizer::kNoCapture;
    }
    const auto* slider = qobject_cast<const QSlider*>(dragSource_);
    return slider != nullptr && slider->isSliderDown();
}

void CMainWnd::UndoEdit() {
    EndDrag();
    manager_->Undo();
}

void CMainWnd::RedoEdit() {
    EndDrag();
    manager_->Redo();
}

void CMainWnd::OnUndo(const ui::Notification&) {
    UndoEdit();
}

void CMainWnd::OnRedo(const ui::Notification&) {
    RedoEdit();
}

void CMainWnd::ShowEditHistory(bool canUndo, bool canRedo) {
    SetEnabled(QStringLiteral("btn_undo"), canUndo);
    SetEnabled(QStringLiteral("btn_redo"), canRedo);
}

void CMainWnd::ShowStatus(const std::string& key, const std::string& detail) {
    QString text = QString::fromStdString(key);
    if (!detail.empty()) {
        text += QLatin1Char(' ') + QString::fromStdString(detail);
    }
    SetText(QStringLiteral("lbl_status"), text);  // keys are translated, also after a switch
}

}  // namespace korvel
