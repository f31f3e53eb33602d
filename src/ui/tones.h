#pragma once
// Beeps, given as frequency and duration.
class Tones {
public:
    virtual ~Tones() = default;
    virtual void tone(int frequency_hz, int duration_ms) = 0;
};

// The two tones the program uses.
inline constexpr int kConfirmHz = 1000, kConfirmMs = 100;
inline constexpr int kErrorHz = 400, kErrorMs = 800;
