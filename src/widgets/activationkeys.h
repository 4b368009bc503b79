#pragma once

#include <Qt>

// The keys that run a focused button: Return, the keypad's Enter and Space.
inline bool isActivationKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}
