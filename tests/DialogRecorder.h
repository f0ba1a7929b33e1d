// Records every message box and failure report instead of showing it, for as long as it lives.
#pragma once

#include "Application.h"

#include <QList>
#include <QPair>
#include <QString>

class DialogRecorder {
public:
    DialogRecorder()
    {
        orv::SetDialogObserver([this](orv::DialogKind kind, const QString& text) {
            (kind == orv::DialogKind::Message ? messages : failures).append(text);
        });
    }
    ~DialogRecorder() { orv::SetDialogObserver(nullptr); }
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    void clear()
    {
        messages.clear();
        failures.clear();
    }

    QStringList messages; // message boxes, in order
    QStringList failures; // failure reports, in order
};
