#include "Application.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QScreen>
#include <QStyleFactory>

#include <exception>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace orv {

namespace {

DialogObserver& observer()
{
    static DialogObserver instance;
    return instance;
}

void showBox(DialogKind kind, const QString& text)
{
    if (observer()) {
        observer()(kind, text);
        return;
    }
    QMessageBox box(kind == DialogKind::FailureReport ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.setObjectName(kind == DialogKind::FailureReport ? "FailureReport" : "MessageBox");
    box.adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        box.move(screen->availableGeometry().center() - box.rect().center());
    box.exec();
}

} // namespace

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
#ifdef __GLIBC__
    // The log's text and index arrays grow to hundreds of megabytes. Served by mmap, they grow
    // by remapping; from the heap, every doubling copies them, stalling the window for 100 ms
    // and more. A fixed threshold keeps glibc from moving it up to 32 MB on its own.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
    setApplicationDisplayName(kApplicationTitle);
#ifndef Q_OS_WIN
    // The window is laid out in pixels for the classic Windows look; that style also paints
    // with plain fills. (Fusion's gradient scroll bars are filled by Qt's painting helper
    // threads, and the window waited on them for up to 130 ms under a flood.)
    setStyle(QStyleFactory::create(QStringLiteral("Windows")));
#endif
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        ShowFailureReport(QString::fromUtf8(failure.what()));
    } catch (...) {
        ShowFailureReport(QStringLiteral("Unexpected failure"));
    }
    return false;
}

QString FailureReportText(const QString& message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowMessage(const QString& text) { showBox(DialogKind::Message, text); }

void ShowFailureReport(const QString& message)
{
    showBox(DialogKind::FailureReport, FailureReportText(message));
}

void SetDialogObserver(DialogObserver f) { observer() = std::move(f); }

void RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        QMetaObject::invokeMethod(
            qApp, [failure = std::current_exception()] { std::rethrow_exception(failure); },
            Qt::QueuedConnection);
    }
}

} // namespace orv
