#pragma once
// The main window.

#include <QMainWindow>

class TZkwIni;

class TZkvmQSL : public QMainWindow {
    Q_OBJECT
public:
    explicit TZkvmQSL(TZkwIni& settings, QWidget* parent = nullptr);

private:
    TZkwIni& settings_;
};
