#pragma once

// The path the start-up takes: the instrument scan, the manual port choice (Space held
// at start) or demonstration mode (Left Shift held at start).
enum class TStartupPath
{
    Discovery,
    PickPort,
    Demo
};
