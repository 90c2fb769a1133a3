#pragma once
// The progress wheel of a running card job, kept in g_qround_bar.
#include <QDialog>
#include <QWidget>

class QRoundProgressBar : public QWidget
{
    Q_OBJECT
public:
    explicit QRoundProgressBar(QWidget* parent = nullptr);
    static void create_qround_bar(QDialog* parent);

public slots:
    void para_sync(int value);
};
