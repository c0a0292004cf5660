#pragma once

#include <QIODevice>

// Turns text mode on for as long as it lives, so a device reads as the file
// readers open files: every carriage return dropped.
class TextModeScope
{
public:
    explicit TextModeScope(QIODevice& device) : device(device), was(device.isTextModeEnabled())
    {
        device.setTextModeEnabled(true);
    }
    ~TextModeScope() { device.setTextModeEnabled(was); }
    TextModeScope(const TextModeScope&) = delete;
    TextModeScope& operator=(const TextModeScope&) = delete;

private:
    QIODevice& device;
    bool was;
};
