#pragma once
// The progress wheel of a running card job, kept in g_qround_bar: a 100x100 ring that
// fills clockwise from 12 o'clock with the percentage in its centre.
#include <QDialog>
#include <QWidget>

class QRoundProgressBar : public QWidget
{
    Q_OBJECT
public:
    enum BarStyle { StyleDonut = 0 }; // the only style the program shows

    explicit QRoundProgressBar(QWidget* parent = nullptr, BarStyle style = StyleDonut);
    ~QRoundProgressBar() override;

    // Creates the wheel over `parent` unless one is on show already.
    static void create_qround_bar(QDialog* parent);

    double value() const { return m_value; }
    // Clamped to minimum..maximum; repaints only when the value changes.
    void setValue(double value);
    void setValue(int value);

public slots:
    // Progress of the job: above 99 closes the wheel in g_qround_bar, otherwise shows it.
    void para_sync(int value);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double m_min = 0;
    double m_max = 100;
    double m_value = 0;
    BarStyle m_style;
    int m_decimals = 0;
    double m_startAngle = 90; // degrees, 12 o'clock
};
