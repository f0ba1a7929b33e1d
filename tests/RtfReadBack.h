// Reading saved logs back: a strict reader of our own, and LibreOffice as a reader we did not
// write (skipped where it is not installed).
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What a strict reader of our own gets back from a log document: the text, each character's
// colour index, and the control words seen before the text. error names the first thing a log
// document must not hold: a byte outside printable ASCII, a group other than the header's
// tables and empty ones, a control word that is not text, two literal spaces in a row (readers
// rewrite such runs), or anything after the closing brace.
struct ReadBack {
    QString text;
    QByteArray colours;
    QStringList headerWords;
    QString error;
    bool closed = false;
};

ReadBack readRtf(const QByteArray& rtf);

QString sofficePath();
// Converts the files with LibreOffice into dir; one process for all of them.
void convert(const QString& soffice, const QString& profile, const QString& filter,
             const QStringList& files, const QString& dir);
QString readUtf8(const QString& path);
// The colour of each stretch of text in LibreOffice's HTML: the innermost <font color>.
QList<QPair<QString, QString>> colouredStretches(const QString& html);
