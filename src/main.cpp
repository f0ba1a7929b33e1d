#include "main.h"

#include "Application.h"
#include "Convert.h"
#include "FileVersion.h"
#include "PortInfo.h"
#include "Win1252.h"
#include "ui_main.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

TfrmMain* frmMain = nullptr;

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::TfrmMain>())
{
    ui->setupUi(this);
    lblComPortNumber = ui->lblComPortNumber;
    lblBaudRate = ui->lblBaudRate;
    cmbComPortNumber = ui->cmbComPortNumber;
    cmbBaudRate = ui->cmbBaudRate;
    reCommLog = ui->reCommLog;
    edTxString = ui->edTxString;
    btnSendCmd = ui->btnSendCmd;
    btnSendAtz = ui->btnSendAtz;
    btnSendAti = ui->btnSendAti;
    btnSendAtAt1 = ui->btnSendAtAt1;
    btnSendAtspa0 = ui->btnSendAtspa0;
    btnSendAtdp = ui->btnSendAtdp;
    btnSend0100 = ui->btnSend0100;
    Label1 = ui->Label1;
    ApdComPort = new orv::TApdComPort(this);

    setUpLook();
    anchorControls();
    buildLogMenu();
    connectHandlers();
    frmMain = this;

    // A failure here is reported and the window still opens; the remaining steps are skipped.
    try {
        FormCreate();
    } catch (const std::exception& failure) {
        orv::ShowFailureReport(QString::fromUtf8(failure.what()));
    }
}

TfrmMain::~TfrmMain()
{
    if (SerialPort == FSerialPort.get())
        SerialPort = nullptr;
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::setUpLook()
{
    // Laid out in pixels at 96 dots per inch, in an 8-point (11-pixel) font, unscaled. Where
    // that font is missing, the nearest in width takes its place, so the labels fit.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                QStringLiteral("Liberation Sans"),
                                QStringLiteral("DejaVu Sans Condensed")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    // The two labels size themselves to their text, as the layout's own font would have them.
    lblComPortNumber->adjustSize();
    lblBaudRate->adjustSize();
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmMain::anchorControls()
{
    FAnchors = new orv::TAnchors(this);
    FAnchors->Anchor(reCommLog, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    const QList<QWidget*> bottomRow{edTxString,   btnSendCmd,    btnSendAtz,  btnSendAti,
                                    btnSendAtAt1, btnSendAtspa0, btnSendAtdp, btnSend0100};
    for (QWidget* control : bottomRow)
        FAnchors->Anchor(control, Qt::LeftEdge | Qt::BottomEdge);
    FAnchors->Anchor(Label1, Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge);
}

void TfrmMain::buildLogMenu()
{
    pmnuCommLog = new QMenu(this);
    pmnuCommLog->setObjectName(QStringLiteral("pmnuCommLog"));
    const auto addItem = [this](const char* name, const QString& caption, const QKeySequence& key) {
        QAction* item = pmnuCommLog->addAction(caption);
        item->setObjectName(QLatin1String(name));
        item->setShortcut(key);
        item->setShortcutContext(Qt::WidgetShortcut);
        reCommLog->addAction(item); // the shortcut acts while the log has the focus
        return item;
    };
    Copy1 = addItem("Copy1", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    Clear1 = addItem("Clear1", QStringLiteral("C&lear"), QKeySequence(Qt::CTRL | Qt::Key_L));
    SelectAll1 =
        addItem("SelectAll1", QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    Save1 = addItem("Save1", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));

    CommLogSaveDialog = new QFileDialog(this);
    CommLogSaveDialog->setObjectName(QStringLiteral("CommLogSaveDialog"));
    CommLogSaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    CommLogSaveDialog->setFileMode(QFileDialog::AnyFile);
    CommLogSaveDialog->setNameFilter(QStringLiteral("Rich Text (*.rtf)"));
    CommLogSaveDialog->setDefaultSuffix(QStringLiteral("rtf"));
    CommLogSaveDialog->selectFile(QStringLiteral("comm_log.rtf"));
    CommLogSaveDialog->setSizeGripEnabled(true);
    // Qt's own dialog: the same on every desktop, and it asks before replacing a file.
    CommLogSaveDialog->setOption(QFileDialog::DontUseNativeDialog);
}

void TfrmMain::connectHandlers()
{
    using orv::Guarded;
    connect(cmbComPortNumber, &QComboBox::activated, this,
            Guarded([this] { cmbComPortNumberChange(); }));
    connect(cmbBaudRate, &QComboBox::activated, this, Guarded([this] { cmbBaudRateChange(); }));
    connect(btnSendCmd, &QPushButton::clicked, this, Guarded([this] { btnSendCmdClick(); }));
    connect(btnSendAtz, &QPushButton::clicked, this, Guarded([this] { btnSendAtzClick(); }));
    connect(btnSendAti, &QPushButton::clicked, this, Guarded([this] { btnSendAtiClick(); }));
    connect(btnSendAtAt1, &QPushButton::clicked, this, Guarded([this] { btnSendAtAt1Click(); }));
    connect(btnSendAtspa0, &QPushButton::clicked, this, Guarded([this] { btnSendAtspa0Click(); }));
    connect(btnSendAtdp, &QPushButton::clicked, this, Guarded([this] { btnSendAtdpClick(); }));
    connect(btnSend0100, &QPushButton::clicked, this, Guarded([this] { btnSend0100Click(); }));
    edTxString->installEventFilter(this);
    connect(ApdComPort, &orv::TApdComPort::TriggerAvail, this,
            [this](orv::TApdComPort* CP, quint16 Count) {
                orv::RunGuarded([&] { ApdComPortTriggerAvail(CP, Count); });
            });

    connect(reCommLog, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        pmnuCommLog->popup(reCommLog->viewport()->mapToGlobal(at));
    });
    connect(Copy1, &QAction::triggered, this, Guarded([this] { Copy1Click(); }));
    connect(Clear1, &QAction::triggered, this, Guarded([this] { Clear1Click(); }));
    connect(SelectAll1, &QAction::triggered, this, Guarded([this] { SelectAll1Click(); }));
    connect(Save1, &QAction::triggered, this, Guarded([this] { Save1Click(); }));
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edTxString && event->type() == QEvent::KeyRelease)
        orv::RunGuarded([&] { edTxStringKeyUp(static_cast<QKeyEvent*>(event)); });
    return QWidget::eventFilter(watched, event);
}

// ---- Start-up ----

void TfrmMain::FormCreate()
{
    // Tooltips are on in Qt; the hints of the edit box and the buttons come from main.ui.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    FSerialPort = std::make_unique<TOrvComPort>(ApdComPort);
    SerialPort = FSerialPort.get();
    RefreshComPortList();
    setWindowTitle(QStringLiteral("Orv Term ") +
                   ReadFileVersion(QCoreApplication::applicationFilePath()));
}

void TfrmMain::RefreshComPortList()
{
    cmbComPortNumber->clear();
    for (const QString& Number : SerialPort->GetComPortList()) {
        cmbComPortNumber->addItem(Number);
        cmbComPortNumber->setItemData(cmbComPortNumber->count() - 1, orv::DescribeComPort(Number),
                                      Qt::ToolTipRole);
    }
    cmbComPortNumber->setCurrentIndex(-1);
}

QString TfrmMain::ReadFileVersion(const QString& FileName)
{
    return QString::fromLocal8Bit(orv::os::ReadFileVersion(FileName.toLocal8Bit().toStdString()));
}

// ---- Port selection and command exchange ----

void TfrmMain::OpenPort()
{
    const QString PortText = cmbComPortNumber->currentText();
    if (PortText.isEmpty()) {
        orv::ShowMessage(QStringLiteral("Select COM port first."));
        return;
    }
    const int Number = orv::StrToInt(PortText);
    if (Number < 0 || Number > 0xFFFF)
        throw orv::EConvertError(
            QStringLiteral("'%1' is not a valid COM port number").arg(PortText).toStdString());
    const int Rate = orv::StrToInt(cmbBaudRate->currentText());
    SerialPort->SetComNumber(quint16(Number));
    SerialPort->SetBaud(Rate);
    SerialPort->Open(); // a failure it reports has been shown already
}

void TfrmMain::cmbComPortNumberChange()
{
    SerialPort->Close();
    OpenPort();
}

void TfrmMain::cmbBaudRateChange()
{
    SerialPort->Close();
    OpenPort();
}

void TfrmMain::SendCmd(const QByteArray& Text)
{
    const QByteArray Line = Text + '\r';
    if (!SerialPort->IsOpen())
        OpenPort();
    if (!SerialPort->IsOpen())
        return;
    // Logged before it is written, so the command shows ahead of any reply to it.
    reCommLog->AddText(orv::LogColour::Sent, Line);
    SerialPort->SendString(Line);
}

void TfrmMain::btnSendCmdClick() { SendCmd(orv::TextToBytes(edTxString->text())); }

void TfrmMain::edTxStringKeyUp(QKeyEvent* Key)
{
    // Either Enter key, any modifiers; a held key sends once, when it is let go.
    if ((Key->key() == Qt::Key_Return || Key->key() == Qt::Key_Enter) && !Key->isAutoRepeat())
        btnSendCmdClick();
}

void TfrmMain::btnSendAtzClick() { SendCmd("ATZ"); }
void TfrmMain::btnSendAtiClick() { SendCmd("ATI"); }
void TfrmMain::btnSendAtAt1Click() { SendCmd("AT@1"); }
void TfrmMain::btnSendAtspa0Click() { SendCmd("ATSP 00"); }
void TfrmMain::btnSendAtdpClick() { SendCmd("ATDP"); }
void TfrmMain::btnSend0100Click() { SendCmd("0100"); }

void TfrmMain::ApdComPortTriggerAvail(orv::TApdComPort* /*CP*/, quint16 Count)
{
    QByteArray Text;
    SerialPort->ReadChars(Count, Text);
    ProcessResponse(Text);
}

void TfrmMain::ProcessResponse(const QByteArray& Text)
{
    reCommLog->AddText(orv::LogColour::Received, Text);
}

// ---- Log commands ----

void TfrmMain::Copy1Click() { reCommLog->copy(); }

void TfrmMain::Clear1Click() { reCommLog->Clear(); }

void TfrmMain::SelectAll1Click()
{
    reCommLog->Flush();
    reCommLog->selectAll();
}

void TfrmMain::Save1Click()
{
    if (CommLogSaveDialog->exec() != QDialog::Accepted)
        return;
    const QString FileName = CommLogSaveDialog->selectedFiles().value(0);
    CommLogSaveDialog->selectFile(FileName); // offered again next time
    reCommLog->SaveToRtf(FileName);
}
