#pragma once
// The desktop's short alert sound.
namespace pigmora::platform {

class Sound {
 public:
  virtual ~Sound() = default;
  // Starts the sound and returns at once; silent where there is no audio.
  virtual void PlayCycleSound() = 0;
};

}  // namespace pigmora::platform
