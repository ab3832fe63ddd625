#pragma once
// Placeholder until the main window is built.

#include <QWidget>

class QLFunctions;

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;
    void Form_Load();

    QLFunctions* functions;
};
