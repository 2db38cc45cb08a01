#pragma once

// The "no reading" marker shared by in-memory series, alarm evaluation and
// chart arrays; the database stores it as NULL.
constexpr double NoValue = 1.7e308;
