#pragma once

// The splash window frmSplash1: two logo pictures, the version and the date.
// It has no behaviour of its own; its callers show and hide it.

#include <QWidget>

class SplashForm : public QWidget
{
    Q_OBJECT
public:
    // Its controls are found by their object names ("fraMainFrame",
    // "picLogo", "Image1", "lblVersion", "Label1").
    explicit SplashForm(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};
