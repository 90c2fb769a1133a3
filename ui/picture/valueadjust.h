#pragma once
// One value field adjusted live (picture quality, colour gains): every step is written into
// the image at once and applied by the engine while the operator watches; OK keeps the
// value, back returns to the value the field had when adjusting began. A step is dropped
// while the engine has not yet applied the previous change; keep and undo never are.
//
// The image is the truth: a step starts from the image's value, and a value someone else
// (the PC) wrote while adjusting becomes the value back returns to, so neither the next
// step nor back overwrites it.
class QLineEdit;

class ValueAdjust
{
public:
    static constexpr int Min = 0, Max = 100;

    // Starts adjusting image field `offset`, shown in `field`.
    void begin(QLineEdit* field, int offset);
    // One step up (+1) or down (-1); false when it was dropped.
    bool step(int delta);
    // OK: the value stays; adjusting ends.
    void keep();
    // Back: the value adjusting began with is written again; adjusting ends.
    void undo();
    // After a refresh: takes over a value written meanwhile by someone else.
    void follow();
    // After a refresh, per field: shows the image's value, or follows when adjusting it.
    void reload(QLineEdit* field, int offset);

    // The three looks of a value field: plain, focused, being changed.
    static const char* const sheet_plain;
    static const char* const sheet_focused;
    static const char* const sheet_changing;

    bool active() const { return m_field != nullptr; }
    int offset() const { return m_offset; }
    int value() const { return m_value; }
    int backup() const { return m_backup; }

    // The image field's value as the screens show it (a signed 16-bit number).
    static int image_value(int offset);
    // Writes "%d" of the image field into `field` (when it differs).
    static void show(QLineEdit* field, int offset);
    static void show_value(QLineEdit* field, int value);

private:
    void adopt(int current);

    QLineEdit* m_field = nullptr;
    int m_offset = -1;
    int m_value = 0;   // the value this screen last wrote or found
    int m_backup = 0;  // the value back returns to
};
