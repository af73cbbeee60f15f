#pragma once

class QObject;

// The number in an object's name, read from its digits alone ("ChDelayAdj12" and
// "BinRestore12" give 12): how a handler shared by many controls tells which channel or
// bin sent it. 0 when the name has no digits or too many for an int.
int NameNumber(const QObject *object);
