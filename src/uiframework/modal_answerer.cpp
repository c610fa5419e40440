#include "uiframework/modal_answerer.h"

#include <QAbstractButton>

#include "uiframework/window_impl_base.h"

namespace korvel::ui {

namespace {
ModalAnswerer* g_current = nullptr;  // GUI thread only
}

ModalAnswerer::ModalAnswerer() {
    Q_ASSERT(g_current == nullptr);
    g_current = this;
}

ModalAnswerer::~ModalAnswerer() {
    if (g_current == this) {
        g_current = nullptr;
    }
}

ModalAnswerer* ModalAnswerer::Current() {
    return g_current;
}

void ModalAnswerer::Reply(const QString& window, int result) {
    Script(window, [result](WindowImplBase& w) { w.Close(result); });
}

void ModalAnswerer::Click(const QString& window, const QStringList& controls) {
    Script(window, [controls](WindowImplBase& w) {
        for (const QString& control : controls) {
            if (w.IsClosed()) {
                break;
            }
            w.Click(control);
        }
    });
}

void ModalAnswerer::Script(const QString& window, std::function<void(WindowImplBase&)> action) {
    answers_.push_back({window, std::move(action)});
}

int ModalAnswerer::Answer(WindowImplBase& window) {
    ModalQuestion question;
    question.window = window.WindowName();
    question.title = window.QuestionTitle();
    question.text = window.QuestionText();
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isHidden() && !button->text().isEmpty()) {
            question.buttons.append(button->text());
        }
    }
    // Recorded before the answer runs, so questions nested inside a script keep their order.
    const size_t slot = questions_.size();
    questions_.push_back(question);
    for (auto it = answers_.begin(); it != answers_.end(); ++it) {
        if (it->window.isEmpty() || it->window == question.window) {
            auto action = std::move(it->action);
            answers_.erase(it);
            action(window);
            break;
        }
    }
    if (!window.IsClosed()) {
        window.Close(defaultResult_);
    }
    questions_[slot].result = window.Result();
    return window.Result();
}

}  // namespace korvel::ui
