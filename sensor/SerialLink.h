#pragma once
// What the frame reader needs of a serial port, so that tests can feed it bytes without a device.
#include <functional>

namespace tevra {

class TSerialLink {
 public:
  static constexpr unsigned PurgeTxClear = 4;  // discard the transmit queue
  static constexpr unsigned PurgeRxClear = 8;  // discard the receive queue

  virtual ~TSerialLink() = default;
  // Up to `count` bytes that have arrived, at once; with nothing there it waits up to the read
  // timeout. The number of bytes read, 0 when nothing came or the read failed.
  virtual int Read(char* buffer, int count) = 0;
  // 1 on success, 0 on failure.
  virtual int Purge(unsigned flags) = 0;
  // The line errors seen since the previous call (frame, overrun, parity, break, buffer overrun),
  // as a mask; 0 when there were none or the device cannot tell.
  virtual unsigned ClearCommError() = 0;
  // The device went away (a USB adapter unplugged, the far end of a terminal closed): no read
  // will ever bring bytes again, whatever the timeouts.
  virtual bool HungUp() const { return false; }

  // Reads byte by byte up to `terminator` into a buffer of `size` bytes and zero-terminates it.
  // Returns the number of characters before the terminator (which stays in the buffer), or minus
  // the number of characters read when none came before a read returned nothing or the buffer
  // filled (the byte that would have overfilled it is overwritten by the zero). When `inTime` is
  // given and says false before a byte is read, the reading ends as if nothing more had come.
  int ReadLine(char* buffer, char terminator, int size, const std::function<bool()>& inTime = {});
};

// The owner of the current port: reopening replaces the port object.
class TPortOwner {
 public:
  virtual ~TPortOwner() = default;
  // The port to read from; nullptr when none is open.
  virtual TSerialLink* CurrentPort() = 0;
  // Closes the current port and opens it again with the stored settings.
  virtual void ReopenPort() = 0;
};

}  // namespace tevra
