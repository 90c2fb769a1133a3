#include "valueadjust.h"

#include "core/engine_handshake.h"
#include "core/image_edit.h"
#include "core/yuqrampara.h"

#include <QLineEdit>
#include <algorithm>

const char* const ValueAdjust::sheet_plain =
    "color:rgb(255,255,255);\nbackground-color: rgb(33, 36, 53);\nborder:1px solid rgb(255, 255, 255);";
const char* const ValueAdjust::sheet_focused =
    "color:rgb(255,255,255);\nbackground-color: rgb(33, 36, 53);\nborder:1px solid rgb(255,171,84);";
const char* const ValueAdjust::sheet_changing =
    "color:rgb(255,255,255);\nbackground-color: rgb(33, 36, 53);\nborder:1px solid rgb(255,0,0);";

int ValueAdjust::image_value(int offset)
{
    return int16_t(YuqRamPara::p_yuqrampara_config->image16(offset));
}

void ValueAdjust::show_value(QLineEdit* field, int value)
{
    const QString t = QString::number(value);
    if (field->text() != t)
        field->setText(t);
}

void ValueAdjust::show(QLineEdit* field, int offset)
{
    show_value(field, image_value(offset));
}

void ValueAdjust::begin(QLineEdit* field, int offset)
{
    m_field = field;
    m_offset = offset;
    m_value = m_backup = image_value(offset);
    show_value(m_field, m_value);
}

void ValueAdjust::adopt(int current)
{
    m_value = m_backup = current;
    show_value(m_field, current);
}

bool ValueAdjust::step(int delta)
{
    if (!m_field || EngineHandshake::instance().reapply.load() != 0)
        return false;
    int v;
    {
        ImageEdit e;
        const int current = int16_t(e.get(m_offset));
        if (current != m_value)
            m_backup = current; // written by someone else meanwhile: back returns to it
        v = std::clamp(current + delta, Min, Max);
        e.set(m_offset, uint16_t(v));
    }
    m_value = v;
    show_value(m_field, v);
    return true;
}

void ValueAdjust::keep()
{
    if (!m_field)
        return;
    follow();
    m_field = nullptr;
}

void ValueAdjust::undo()
{
    if (!m_field)
        return;
    {
        ImageEdit e;
        const int current = int16_t(e.get(m_offset));
        if (current != m_value) {
            adopt(current); // someone else's value stands
        } else if (current != m_backup) {
            e.set(m_offset, uint16_t(m_backup));
            m_value = m_backup;
        }
    }
    show_value(m_field, m_value);
    m_field = nullptr;
}

void ValueAdjust::follow()
{
    if (!m_field)
        return;
    const int current = image_value(m_offset);
    if (current != m_value)
        adopt(current);
}

void ValueAdjust::reload(QLineEdit* field, int offset)
{
    if (field == m_field)
        follow();
    else
        show(field, offset);
}
