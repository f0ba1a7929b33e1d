// The log's context menu and shortcuts: copy, clear, select all, save as Rich Text.
#include "RtfReadBack.h"
#include "TestMain.h"
#include "Win1252.h"
#include "WindowRig.h"

#include <QClipboard>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Answers the save dialog with a file name (none: cancels), and the question about replacing
// a file with Yes. Its timers end with it.
struct SaveDialogAnswer {
    explicit SaveDialogAnswer(QString name = {})
        : fileName(std::move(name))
    {
    }
    QString fileName;
    bool askedToReplace = false;
    QStringList offeredNames;
    QObject context;

    void arm()
    {
        QTimer::singleShot(0, &context, [this] { answer(); });
    }

    void answer()
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, &context, [this] { answer(); });
            return;
        }
        offeredNames << dialog->selectedFiles().value(0);
        if (fileName.isEmpty()) {
            dialog->reject();
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        name->setText(fileName);
        QTimer::singleShot(0, &context, [this, dialog] { confirmReplace(dialog); });
        QTest::keyClick(name, Qt::Key_Return);
    }

    void confirmReplace(QFileDialog* dialog)
    {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            askedToReplace = true;
            box->button(QMessageBox::Yes)->click();
        } else if (QApplication::activeModalWidget() == dialog) {
            QTimer::singleShot(10, &context, [this, dialog] { confirmReplace(dialog); });
        }
    }
};

QString decodeEntities(QString html)
{
    return html.replace("&gt;", ">")
        .replace("&lt;", "<")
        .replace("&quot;", "\"")
        .replace("&amp;", "&");
}

} // namespace

class TestLogCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static void conversation(WindowRig& rig)
    {
        WindowRig::choose(rig.w().cmbComPortNumber, "3");
        QTest::mouseClick(rig.w().btnSendAtz, Qt::LeftButton);
        QCOMPARE(rig.device.receive(4), QByteArray("ATZ\r"));
        rig.device.send("ELM327 v1.5\r\r>");
        QTRY_COMPARE(rig.logText(), "ATZ\nELM327 v1.5\n\n>");
        QTest::mouseClick(rig.w().btnSend0100, Qt::LeftButton);
        QCOMPARE(rig.device.receive(5), QByteArray("0100\r"));
        rig.device.send("41 00 BE 1F A8 13\r\r>");
        QTRY_COMPARE(rig.logText(), "ATZ\nELM327 v1.5\n\n>0100\n41 00 BE 1F A8 13\n\n>");
    }

    static void save(WindowRig& rig, SaveDialogAnswer& answer)
    {
        answer.arm();
        // The offscreen platform leaves a closed dialog active; a desktop gives the window back.
        QApplication::setActiveWindow(&rig.w());
        rig.w().reCommLog->setFocus();
        QTest::keyClick(rig.w().reCommLog, Qt::Key_S, Qt::ControlModifier);
    }

private slots:
    void menuHasItsItemsAndShortcuts()
    {
        WindowRig rig;
        const QList<QAction*> items = rig.w().pmnuCommLog->actions();
        QCOMPARE(items.size(), 4);
        const QStringList names{"Copy1", "Clear1", "SelectAll1", "Save1"};
        const QStringList captions{"&Copy", "C&lear", "Select &All", "&Save"};
        const QStringList keys{"Ctrl+C", "Ctrl+L", "Ctrl+A", "Ctrl+S"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(items[i]->objectName(), names[i]);
            QCOMPARE(items[i]->text(), captions[i]);
            QCOMPARE(items[i]->shortcut().toString(), keys[i]);
        }
        QFileDialog* dialog = rig.w().CommLogSaveDialog;
        QCOMPARE(dialog->nameFilters(), QStringList{"Rich Text (*.rtf)"});
        QCOMPARE(dialog->defaultSuffix(), "rtf");
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
    }

    void rightClickOpensTheMenu()
    {
        WindowRig rig;
        QWidget* viewport = rig.w().reCommLog->viewport();
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                                viewport->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(viewport, &click);
        QTRY_VERIFY(rig.w().pmnuCommLog->isVisible());
        rig.w().pmnuCommLog->hide();
    }

    void shortcutsSelectCopyAndClear()
    {
        WindowRig rig;
        conversation(rig);
        orv::TCommLog* log = rig.w().reCommLog;
        log->setFocus();
        QTest::keyClick(log, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(log->SelectedText(), rig.logText());
        QApplication::clipboard()->clear();
        QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 "ATZ\nELM327 v1.5\n\n>0100\n41 00 BE 1F A8 13\n\n>");

        // Clearing keeps the port open; the next reply starts a fresh log.
        QTest::keyClick(log, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(rig.logText(), "");
        QVERIFY(SerialPort->IsOpen());
        rig.device.send("SEARCHING...\r");
        QTRY_COMPARE(rig.logText(), "SEARCHING...\n");
        QTest::mouseClick(rig.w().btnSendAti, Qt::LeftButton);
        QCOMPARE(rig.device.receive(4), QByteArray("ATI\r"));

        // Without the focus in the log the shortcuts do nothing to it.
        rig.w().edTxString->setFocus();
        QTest::keyClick(rig.w().edTxString, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(rig.logText(), "SEARCHING...\nATI\n");
    }

    void copyTakesOnlyTheSelection()
    {
        WindowRig rig;
        conversation(rig);
        QTextCursor selection(rig.w().reCommLog->document());
        selection.setPosition(4);
        selection.setPosition(18, QTextCursor::KeepAnchor);
        rig.w().reCommLog->setTextCursor(selection);
        rig.w().Copy1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), "ELM327 v1.5\n\n>");
    }

    void savedFileReadsBackInLibreOffice()
    {
        const QString soffice = sofficePath();
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed; install libreoffice-writer-nogui");
        WindowRig rig;
        conversation(rig);
        SaveDialogAnswer answer{m_dir.filePath("conversation")}; // no extension typed
        save(rig, answer);
        QTRY_VERIFY(QFile::exists(m_dir.filePath("conversation.rtf")));
        QCOMPARE(answer.offeredNames.value(0), QDir::current().filePath("comm_log.rtf"));

        const QString out = m_dir.filePath("lo");
        convert(soffice, m_dir.filePath("profile"), "txt:Text (encoded):UTF8",
                {m_dir.filePath("conversation.rtf")}, out);
        QCOMPARE(readUtf8(out + "/conversation.txt").trimmed(),
                 QString("ATZ\nELM327 v1.5\n\n>0100\n41 00 BE 1F A8 13\n\n>"));
        convert(soffice, m_dir.filePath("profile"), "html", {m_dir.filePath("conversation.rtf")},
                out);
        QList<QPair<QString, QString>> stretches;
        for (const auto& s : colouredStretches(readUtf8(out + "/conversation.html")))
            if (!s.first.isEmpty())
                stretches << qMakePair(decodeEntities(s.first), s.second);
        const QList<QPair<QString, QString>> expected{
            {"ATZ", "#ff0000"},  {"ELM327 v1.5", "#008000"},       {">", "#008000"},
            {"0100", "#ff0000"}, {"41 00 BE 1F A8 13", "#008000"}, {">", "#008000"}};
        QCOMPARE(stretches, expected);
    }

    void everyByteAndHostileTextSurviveTheFile()
    {
        WindowRig rig;
        WindowRig::choose(rig.w().cmbComPortNumber, "3");
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        const QByteArray hostile = "}{\\rtf1 \\par {\\*\\x} \\'41\\u65? }}}";
        rig.device.send(all + hostile);
        const QString received =
            orv::BytesToText(all + hostile).replace("\r\n", "\n").replace('\r', '\n');
        QTRY_COMPARE(rig.logText(), received);
        rig.w().edTxString->setText(QString::fromLatin1(hostile));
        QTest::mouseClick(rig.w().btnSendCmd, Qt::LeftButton);
        const QString expected = received + QString::fromLatin1(hostile) + "\n";
        QCOMPARE(rig.logText(), expected);

        SaveDialogAnswer answer{m_dir.filePath("bytes.rtf")};
        save(rig, answer);
        QTRY_VERIFY(QFile::exists(answer.fileName));
        const ReadBack back = readRtf(readFile(answer.fileName));
        QVERIFY2(back.error.isEmpty(), qPrintable(back.error));
        QCOMPARE(back.text, expected);
    }

    void emptyLogSavesAValidFileWithNoText()
    {
        WindowRig rig;
        SaveDialogAnswer answer{m_dir.filePath("empty.rtf")};
        save(rig, answer);
        QTRY_VERIFY(QFile::exists(answer.fileName));
        const ReadBack back = readRtf(readFile(answer.fileName));
        QVERIFY2(back.error.isEmpty(), qPrintable(back.error));
        QCOMPARE(back.text, "");
        QVERIFY(rig.dialogs.failures.isEmpty());
    }

    void savingAgainAsksToReplaceAndOffersTheLastName()
    {
        WindowRig rig;
        conversation(rig);
        SaveDialogAnswer first{m_dir.filePath("again.rtf")};
        save(rig, first);
        QTRY_VERIFY(QFile::exists(first.fileName));
        rig.device.send("more\r");
        QTRY_VERIFY(rig.logText().endsWith("more\n"));

        SaveDialogAnswer second{first.fileName};
        save(rig, second);
        QTRY_VERIFY(second.askedToReplace);
        QCOMPARE(second.offeredNames.value(0), first.fileName);
        QTRY_VERIFY(readRtf(readFile(first.fileName)).text.endsWith("more\n"));

        SaveDialogAnswer cancel;
        save(rig, cancel);
        QTRY_COMPARE(cancel.offeredNames.size(), 1);
        QVERIFY(rig.dialogs.failures.isEmpty());
    }

    void failedSaveReportsAndLeavesEarlierFileIntact()
    {
        WindowRig rig;
        conversation(rig);
        const QString target = m_dir.filePath("kept.rtf");
        {
            QFile earlier(target);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("{\\rtf1 earlier}");
        }

        // A folder that is not there (the dialog would not offer one; the writer refuses too).
        QVERIFY_THROWS_EXCEPTION(orv::ESaveError,
                                 rig.w().reCommLog->SaveToRtf(m_dir.filePath("no/such/log.rtf")));
        const QString logBefore = rig.logText();

        // The disk fills up while writing: the file size limit stands in for a full disk.
        QByteArray big(300 * 1024, 'x');
        rig.device.send(big);
        QTRY_COMPARE(rig.logText().size(), logBefore.size() + big.size());
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        SaveDialogAnswer full{target};
        save(rig, full);
        QTRY_COMPARE(rig.dialogs.failures.size(), 1);
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY2(rig.dialogs.failures[0].contains(target), qPrintable(rig.dialogs.failures[0]));
        QCOMPARE(readFile(target), QByteArray("{\\rtf1 earlier}"));
        QCOMPARE(QDir(m_dir.path()).entryList({"kept.rtf*"}, QDir::Files | QDir::Hidden),
                 QStringList{"kept.rtf"});
        QCOMPARE(rig.logText().size(), logBefore.size() + big.size());
    }

    void textArrivingWhileTheDialogIsOpenIsLogged()
    {
        WindowRig rig;
        conversation(rig);
        bool sawReply = false;
        QTimer::singleShot(0, [&] {
            rig.device.send("STOPPED\r");
            QTRY_VERIFY(rig.logText().endsWith("STOPPED\n"));
            sawReply = true;
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        rig.w().Save1->trigger();
        QVERIFY(sawReply);
    }
};

ORV_TEST_MAIN(TestLogCommands)
#include "tst_logcommands.moc"
