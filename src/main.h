// The main window: its controls come from main.ui; its behaviour is the handlers below.
#pragma once

#include "Anchors.h"
#include "ApdComPort.h"
#include "OrvComPorts.h"

#include "CommLog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <memory>

namespace Ui {
class TfrmMain;
}

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Controls, as main.ui names them.
    QLabel* lblComPortNumber;
    QLabel* lblBaudRate;
    QComboBox* cmbComPortNumber;
    QComboBox* cmbBaudRate;
    orv::TCommLog* reCommLog;
    QLineEdit* edTxString;
    QPushButton* btnSendCmd;
    QPushButton* btnSendAtz;
    QPushButton* btnSendAti;
    QPushButton* btnSendAtAt1;
    QPushButton* btnSendAtspa0;
    QPushButton* btnSendAtdp;
    QPushButton* btnSend0100;
    QLabel* Label1;
    orv::TApdComPort* ApdComPort;
    QMenu* pmnuCommLog;
    QAction* Copy1;
    QAction* Clear1;
    QAction* SelectAll1;
    QAction* Save1;
    QFileDialog* CommLogSaveDialog;

    void FormCreate();
    void RefreshComPortList();
    static QString ReadFileVersion(const QString& FileName);

    void OpenPort();
    void SendCmd(const QByteArray& Text);
    void ProcessResponse(const QByteArray& Text);

    void cmbComPortNumberChange();
    void cmbBaudRateChange();
    void btnSendCmdClick();
    void edTxStringKeyUp(QKeyEvent* Key);
    void btnSendAtzClick();
    void btnSendAtiClick();
    void btnSendAtAt1Click();
    void btnSendAtspa0Click();
    void btnSendAtdpClick();
    void btnSend0100Click();
    void ApdComPortTriggerAvail(orv::TApdComPort* CP, quint16 Count);

    void Copy1Click();
    void Clear1Click();
    void SelectAll1Click();
    void Save1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpLook();
    void anchorControls();
    void buildLogMenu();
    void connectHandlers();

    std::unique_ptr<Ui::TfrmMain> ui;
    orv::TAnchors* FAnchors;
    std::unique_ptr<TOrvComPort> FSerialPort; // what SerialPort points at while the window lives
};

extern TfrmMain* frmMain;
