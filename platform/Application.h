// The application object and the program's two kinds of dialog.
//
//   TApplication           QApplication whose notify() turns a failure that escaped a handler
//                          into a failure report; the program then carries on with the next event
//   ShowMessage(text)      the program's message box: modal, centred, text, OK, no icon,
//                          titled with the application title; returns when dismissed
//   ShowFailureReport(msg) the failure report: as above with an error icon, text per
//                          FailureReportText
//   FailureReportText(msg) msg with a full stop appended when its last character sorts after "."
//   SetDialogObserver(f)   tests: f receives every dialog instead of the user (nullptr: real boxes)
//
// Main thread only.
#pragma once

#include <QApplication>
#include <QString>

#include <functional>

namespace orv {

inline constexpr const char* kApplicationTitle = "OrvTerm";

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

enum class DialogKind { Message, FailureReport };

void ShowMessage(const QString& text);
void ShowFailureReport(const QString& message);
QString FailureReportText(const QString& message);

using DialogObserver = std::function<void(DialogKind, const QString& text)>;
void SetDialogObserver(DialogObserver observer);

} // namespace orv

namespace orv {

// Runs a window handler. A failure it raises is raised again from a queued call, so that it
// reaches TApplication::notify without unwinding through Qt's own frames (Qt's GUI library
// has no unwind tables: an exception crossing a QAction signal ends the program).
void RunGuarded(const std::function<void()>& handler);

// The same as a slot: connect(sender, signal, receiver, Guarded([this] { Handler(); })).
template <typename Handler> auto Guarded(Handler handler)
{
    return [handler = std::move(handler)] { RunGuarded(handler); };
}

} // namespace orv
