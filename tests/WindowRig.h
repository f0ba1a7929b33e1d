// WindowRig: the real main window, shown offscreen, with a virtual device installed as COM3,
// a listed device that does not exist as COM4, and every dialog recorded.
#pragma once

#include "DialogRecorder.h"
#include "SerialPortRegistry.h"
#include "VirtualDevice.h"
#include "main.h"

#include <QTextBlock>
#include <QtTest>

#include <memory>

struct WindowRig {
    DialogRecorder dialogs;
    VirtualDevice device;
    std::unique_ptr<TfrmMain> window;

    explicit WindowRig(std::vector<orv::os::RegistryValue> extra = {})
    {
        std::vector<orv::os::RegistryValue> entries{{"/dev/orvterm-unplugged", "COM4"},
                                                    {device.path().toStdString(), "COM3"}};
        entries.insert(entries.end(), extra.begin(), extra.end());
        orv::os::InstallSerialCommEntries(entries);
        window = std::make_unique<TfrmMain>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("window not exposed");
    }
    ~WindowRig() { orv::os::ClearSerialCommEntries(); }

    TfrmMain& w() { return *window; }

    // The user picks an item, as from the drop-down list.
    static void choose(QComboBox* list, const QString& item)
    {
        const int index = list->findText(item);
        QVERIFY2(index >= 0, qPrintable(item));
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    QString logText() { return w().reCommLog->Text(); }

    // The log as text with colour marks: [S]sent[R]received, line breaks as '\n'.
    QString colouredLog()
    {
        w().reCommLog->Flush();
        QString out;
        QString mark;
        for (QTextBlock b = w().reCommLog->document()->begin(); b.isValid(); b = b.next()) {
            if (b != w().reCommLog->document()->begin() && b.userState() != 1)
                out += '\n';
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QColor c = it.fragment().charFormat().foreground().color();
                const QString m = c == QColor(255, 0, 0)   ? "[S]"
                                  : c == QColor(0, 128, 0) ? "[R]"
                                                           : "[?]";
                if (m != mark)
                    out += m;
                mark = m;
                out += it.fragment().text().replace(QChar::LineSeparator, '\n');
            }
        }
        return out;
    }
};
