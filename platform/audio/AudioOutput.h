// Where an open wave device's samples go. An output pulls from its queue on
// its own thread from construction until destruction; once destroyed it pulls
// no more.
#pragma once

namespace dv {

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
};

}  // namespace dv
