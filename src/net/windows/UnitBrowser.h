#pragma once

#include "common/windows/FormDialog.h"
#include <QDateTime>
#include <QPalette>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class StatusPanel;
class THttpClient;

// The version-check window: shows the running version and, on request,
// fetches the version file from the maker's web server and lists what
// changed since. The window stays alive during the transfer; the same
// button starts an attempt and cancels it.
class TFormVelBrowser : public FormDialog {
    Q_OBJECT

public:
    explicit TFormVelBrowser(QWidget* parent = nullptr);
    ~TFormVelBrowser() override;

    QLabel* Label1;
    QLabel* LabelApplName;
    QLabel* Label2;
    QLabel* LabelApplVersion;
    QLabel* Label4;
    QLabel* LabelVersDate;
    QLabel* Image1;
    QLabel* Label3;
    QLabel* LabelAppVersionNew;
    QLabel* Label6;
    QLabel* LabelNewApplDate;
    QPushButton* ButtonVersionConnect;
    QPlainTextEdit* MemoWWW;
    QPushButton* ButtonWWW;
    QPushButton* ButtonHelpWWW;
    QPushButton* ButtonBrowserExit;
    QStatusBar* StatusBarWWW;
    QTimer* Timer1;
    THttpClient* HttpClient1;

    // The running version, from the about window's version caption.
    QString CurrentVersion;
    bool AbortedByUser = false;
    QDateTime ConnectStartTime;

    void FormCreate();
    void FormActivate();
    void ButtonVersionConnectClick();
    void Timer1Timer();
    void HttpClient1Connect();
    void ButtonBrowserExitClick();
    void ButtonHelpWWWClick();
    void ButtonWWWClick();

    // Panel 0: the countdown; panel 1: the progress text.
    QString panelText(int panel) const;
    bool attemptRunning() const { return attemptRunning_; }

    // Closing waits until a running attempt has ended.
    void done(int result) override;

protected:
    void onShow() override { FormActivate(); }
    void changeEvent(QEvent* event) override;

private:
    void createControls();
    void layOut();
    void connectHandlers();
    void setPanel(int panel, const QString& text);
    void setIdleButton();
    void runAttempt();
    void commonTail(const QString& versionFile);
    void showVersionFile(const QString& path);
    void setNewVersionColor(bool newer);

    StatusPanel* panels_[2];
    QPalette normalPalette_;
    bool attemptRunning_ = false;
    bool closePending_ = false;
    int pendingResult_ = 0;
};

extern TFormVelBrowser* FormVelBrowser;
