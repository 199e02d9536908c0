#pragma once
// Base of the camera objects held in the options' camera table. The engine's
// camera class derives from it, so the options object can destroy the
// cameras it owns without knowing the engine.
namespace quorvel {

class CameraObject {
public:
    virtual ~CameraObject() = default;
};

} // namespace quorvel
