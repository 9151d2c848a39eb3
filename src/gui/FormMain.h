#pragma once
#include <QMainWindow>
class TMainForm final : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
};
