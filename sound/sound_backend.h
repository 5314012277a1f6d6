#pragma once
// What music and sound effects ask of the machine: music devices that each play one MIDI file
// and tell when its data has ended, and one channel of sound effects. The desktop shell and
// the headless player each provide one.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// A close request for this identifier closes every music device.
inline constexpr uint32_t kAllMusicDevices = 0xFFFFFFFF;

// Told with the number of the piece whose music data has ended; called on a thread of the
// backend's own, so the owner passes it on to the window thread.
using EndOfPieceHandler = std::function<void(uint32_t piece)>;

// What the system is doing with sound, for players that keep a log.
enum class SoundEvent { Music, MusicReplay, MusicStop, Sound };

class SoundBackend {
 public:
  virtual ~SoundBackend() = default;

  // Set before the first piece plays.
  virtual void setEndOfPieceHandler(EndOfPieceHandler handler) = 0;
  // Opens the MIDI file a story names on a new device. 0 with `deviceId` set, or an error code.
  virtual uint32_t openMusic(const std::string& fileName, uint32_t& deviceId) = 0;
  // Plays an open device from its beginning; when its data has ended, the end-of-piece
  // handler hears `piece`. 0, or an error code.
  virtual uint32_t playMusic(uint32_t deviceId, uint32_t piece) = 0;
  // Stops and releases the device, or every device for kAllMusicDevices; no end is told.
  virtual uint32_t closeMusic(uint32_t deviceId) = 0;
  // Starts a sound effect by its story name, stopping the one before; music goes on.
  virtual void playSound(const std::string& name) = 0;
  virtual void note(SoundEvent, std::string_view /*name*/, int32_t /*loop*/) {}
};
