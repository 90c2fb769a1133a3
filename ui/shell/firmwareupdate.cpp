#include "firmwareupdate.h"
#include "ui_firmwareupdate.h"

#include "screenkit.h"
#include "screens.h"
#include "core/global.h"
#include "core/update_overlay.h"

#include <QLabel>

namespace {
constexpr int kTop = 60;     // the picture bounces between these two y
constexpr int kBottom = 116;
constexpr int kTextY = 200;
constexpr int kTextH = 17;
} // namespace

FirmwareUpdate::FirmwareUpdate(QWidget* parent) : PanelPopup(parent), ui(new Ui::FirmwareUpdate)
{
    ui->setupUi(this);
    // It covers the panel, also over a modal screen opened before the update started.
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    m_picture = new QLabel(this);
    m_picture->setGeometry(m_x, m_y, 64, 64);
    kit::set_picture(m_picture, kit::pic(QStringLiteral("update.png")));
    m_text = new QLabel(this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setStyleSheet(QStringLiteral("color: #FFFFFF;font: 13px"));
    place_text(QString::fromUtf8("升级中，请勿断电"), 10);
    language_changed();
}

FirmwareUpdate::~FirmwareUpdate()
{
    // An overlay closed earlier is destroyed later: it must not forget a newer one.
    if (g_move_update == this)
        g_move_update = nullptr;
    delete ui;
}

QString FirmwareUpdate::base_text() const
{
    switch (kit::shown_language()) {
    case 0:
        return QString::fromUtf8("升级中，请勿断电 ");
    case 4:
        return QString::fromUtf8("昇級中，請勿斷電 ");
    default:
        return QStringLiteral("Updating ");
    }
}

void FirmwareUpdate::place_text(const QString& text, int pxPerChar)
{
    const int width = pxPerChar * text.size();
    m_text->setText(text);
    m_text->setGeometry((320 - width) / 2, kTextY, width, kTextH);
}

void FirmwareUpdate::language_changed()
{
    const QString t = base_text();
    place_text(t, kit::shown_language() == 0 || kit::shown_language() == 4 ? 13 : 15);
}

void FirmwareUpdate::update_time_deal()
{
    if (!overlay_update_animates())
        return;
    const uint32_t now = G_timeTicks.load();
    if (now % 2 == 0) {
        int y;
        if (m_down) {
            y = m_y != kBottom ? m_y + 1 : kBottom - 1;
            m_down = m_y != kBottom;
        } else {
            y = m_y != kTop ? m_y - 1 : kTop + 1;
            m_down = m_y == kTop;
        }
        m_picture->setGeometry(m_x, y, 64, 64);
        m_y = y;
    }
    if (now % 100 == 0) {
        ++m_steps;
        static const char* const dots[3] = {"...", ".", ".."};
        place_text(base_text() + QLatin1String(dots[m_steps % 3]), 13);
    }
    repaint();
}

void firmware_update_start()
{
    if (!g_move_update)
        g_move_update = new FirmwareUpdate(nullptr);
    g_move_update->show();
    g_move_update->raise();
}

void firmware_update_over()
{
    if (!g_move_update)
        return;
    FirmwareUpdate* u = g_move_update;
    g_move_update = nullptr;
    kit::close_widget(u);
    YUQ_TRACE("\n update_over !!!");
}
