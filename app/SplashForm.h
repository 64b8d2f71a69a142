#pragma once

// The splash window frmSplash1: two logo pictures, the version and the date.
// It has no behaviour of its own; its callers show and hide it.

#include <QFrame>
#include <QLabel>
#include <QWidget>

class SplashForm : public QWidget
{
    Q_OBJECT
public:
    explicit SplashForm(QWidget *parent = nullptr);

    QFrame *fraMainFrame = nullptr;
    QLabel *picLogo = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *Label1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};
