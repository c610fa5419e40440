#pragma once
// Test hook for modal windows. While a ModalAnswerer exists, WindowImplBase::ShowModal does not
// run a modal loop: it records the question (window name, title, text) and answers it from a
// script, so tests drive code paths that ask the user without anybody at the screen.
//
//   ModalAnswerer answers;
//   answers.Reply("msgwnd", 1);                                 // close with result 1
//   answers.Click("msgcbwnd", {"check_box_1", "confirm_btn"});  // click controls in turn
//   ... code under test ...
//   EXPECT_EQ(answers.Questions()[0].text, "...");
//
// Scripted answers are used first-in first-out per window name ("" matches any window). A
// window without a scripted answer is closed with the default result (0, like "cancel").

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace korvel::ui {

class WindowImplBase;

struct ModalQuestion {
    QString window;  // the window's name ("msgwnd")
    QString title;   // shown texts, already translated
    QString text;
    QStringList buttons;  // texts of the visible buttons
    int result = 0;
};

class ModalAnswerer {
  public:
    ModalAnswerer();  // installs itself; only one may exist at a time
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    static ModalAnswerer* Current();

    void Reply(const QString& window, int result);
    void Click(const QString& window, const QStringList& controls);
    // Any interaction; the window is closed with the default result if the script leaves it open.
    void Script(const QString& window, std::function<void(WindowImplBase&)> action);
    void SetDefaultResult(int result) { defaultResult_ = result; }

    const std::vector<ModalQuestion>& Questions() const { return questions_; }
    int PendingAnswers() const { return static_cast<int>(answers_.size()); }

    // Called by WindowImplBase::ShowModal.
    int Answer(WindowImplBase& window);

  private:
    struct Scripted {
        QString window;
        std::function<void(WindowImplBase&)> action;
    };

    std::deque<Scripted> answers_;
    std::vector<ModalQuestion> questions_;
    int defaultResult_ = 0;
};

}  // namespace korvel::ui
