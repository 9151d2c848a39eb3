#pragma once

#include <QDialog>

/// A dialog whose every way of closing (OK, Cancel, Escape, the close box) runs FormClose, as the
/// windows of this program expect: QDialog lets Escape reject without a close event.
class ClosingDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClosingDialog)

public:
    using QDialog::QDialog;
    void done(int result) override
    {
        const bool wasVisible = isVisible();
        QDialog::done(result);
        if (wasVisible) {
            FormClose();
        }
    }

protected:
    virtual void FormClose() {}
};
