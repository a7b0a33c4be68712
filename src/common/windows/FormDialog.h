#pragma once

#include <QDialog>
#include <QHash>

#include <functional>

// What the program's dialog windows do alike, written once: the window's
// show handler (FormShow, FormActivate) runs guarded at every showing, key
// releases in the controls it names run their key-up handlers guarded, and,
// where the window asks for it, Enter presses the focused button and nothing
// else (no default button).
class FormDialog : public QDialog {
    Q_OBJECT

public:
    explicit FormDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

protected:
    // The window's show handler; nothing by default.
    virtual void onShow() {}
    // Runs `handler`, guarded, when a key is released in `control`.
    void onKeyUp(QWidget* control, std::function<void()> handler);
    // Enter and Return press the focused button only.
    void setEnterPressesFocusedButton() { enterPressesFocused_ = true; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<const QObject*, std::function<void()>> keyUp_;
    bool enterPressesFocused_ = false;
};
