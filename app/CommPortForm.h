#pragma once

// The port selection window frmCOMMPORT: the user types the number of the
// PC serial port (1..25) and presses DONE, or EXIT to end the program.

#include <QWidget>

class QLineEdit;

// The PC serial port number typed by the user: 0 when the port selection
// starts, then the value of the text at every DONE, valid or not.
extern qint16 CommPortNumber;

class CommPortForm : public QWidget
{
    Q_OBJECT
public:
    explicit CommPortForm(QWidget *parent = nullptr);

    // Gives the number box the focus (the start sequence, once it is shown).
    void focusNumber();

signals:
    // DONE with a number from 1 to 25; the window is hidden by then.
    void portChosen(int commPortNumber);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void doneClicked();
    void exitClicked();

    // Its controls are found by their object names ("txtCOMMPORT_NO",
    // "btnCOMMPORTDONE", "btnEXIT", "lblCOMMPORT").
    QLineEdit *txtCOMMPORT_NO = nullptr;
};
