#pragma once

#include <functional>

class QObject;

// A notification event: the handler gets the object that raised it (the "Sender").
// Kept as a plain callable rather than a Qt signal so that an event can be copied
// from one control to another, as the generated channel tabs copy their template's.
using TNotifyEvent = std::function<void(QObject *Sender)>;
