#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

/// The About box: the product's name, version and icon, with OK.
class TAboutDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAboutDialog)

public:
    explicit TAboutDialog(QWidget* parent = nullptr);

private:
    void layOut();

    QLabel* m_productName;
    QLabel* m_version;
    QLabel* m_comments;
    QLabel* m_programIcon;
    QPushButton* m_okButton;
};
