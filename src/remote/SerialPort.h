// SerialPort: a small process-wide module for serial ports on POSIX termios.
//
// Principles of operation
// - Up to eight ports are open at once, each in a numbered slot 0..7. SerialOpen returns the
//   slot number; every further call takes it. An invalid slot is a number outside 0..7 or a
//   slot that is not in use; each operation answers it with its error value (see below) and
//   never raises an error.
// - Slots are handed out in turn: a start counter, incremented by every open that gets past
//   the argument check, picks the slot where the search for a free one begins. The slot is
//   reserved while the search lock is held, so opens on different threads never share one.
// - A port is opened non-blocking, without becoming the controlling terminal, and locked
//   against a second open (flock, and the terminal's exclusive mode). Reads return at once
//   with whatever has arrived, possibly nothing; waiting for data is SerialWaitForData with
//   its own time limit (poll).
// - Every slot knows its byte time: the transfer time of one character in 1/1024 ms,
//   character bits x 1 024 000 / baud, where character bits = start bit + 7 or 8 data bits +
//   stop bit (+1 for two stop bits, +1 for a parity bit). 10 bits at 9600 baud give 1066.
// - Time limits are measured on the steady clock, never on the game's tick clock, so a test
//   that sets the game clock by hand does not stretch or shrink them.
// - Devices that do not answer the modem-line queries (pseudo-terminals, some USB adapters)
//   open and work all the same; only SerialModemStatus reports -1 for them.
//
// Line settings of SerialOpen
// - port: index below 256; the device is SerialDeviceName(port) ("/dev/ttyS<n>" unless the
//   settings name another device for "COM<n+1>").
// - baud: bits per second, handed to the device unchanged (rates without a termios constant
//   are set through the kernel's arbitrary-rate interface). 0 is refused.
// - parity: 0 none, 1 odd, 2 even, 3 space, 4 mark, taken from the low three bits (5..7 mean
//   none); any nonzero value turns input parity checking on and counts a parity bit.
// - stop bits: bit 0 set gives two stop bits; any nonzero value counts a second stop bit.
// - data bits: bit 0 clear gives eight data bits, set gives seven (so 8 and 7 mean what they
//   say).
// - flags: kSerialRtsOn, kSerialDtrOn, kSerialRtsHandshake (overrides RTS on),
//   kSerialDtrHandshake (overrides DTR on), kSerialNoModemLines (both handshakes ignored, the
//   modem status always reports CTS and DSR on).
//   Linux limits: RTS handshake is the kernel's RTS/CTS flow control, which also holds back
//   output while CTS is off. Linux has no DTR/DSR handshake: with kSerialDtrHandshake DTR is
//   simply kept on. Opening a tty raises DTR and RTS for a moment before they are set as asked.
//   There are no line errors to clear: with a parity check a byte received with a parity
//   error is read as a zero byte.
//
// Thread contract: SerialOpen may be called from any thread. A slot is used by one thread at
// a time (its owner); the slot state is not locked beyond that.
#pragma once

#include <cstdint>

namespace wirbelix {

inline constexpr int kSerialSlotCount = 8;

inline constexpr int kSerialRtsOn = 0x04;
inline constexpr int kSerialDtrOn = 0x08;
inline constexpr int kSerialRtsHandshake = 0x10;
inline constexpr int kSerialDtrHandshake = 0x20;
inline constexpr int kSerialNoModemLines = 0x40;

// Opens port with the given line settings. Returns the slot 0..7, or -1 when port is outside
// 0..255, baud is 0, no slot is free, the device cannot be opened (missing, busy, not a
// terminal) or refuses the settings. A failed open leaves no slot taken and no device open.
int SerialOpen(int port, std::uint32_t baud, int parity, int stopBits, int dataBits, int flags);

// Opens the named device like SerialOpen opens a port index. For tools and tests that know a
// device path; the port-index form is what the game uses.
int SerialOpenDevice(const char* device, std::uint32_t baud, int parity, int stopBits,
                     int dataBits, int flags);

// Closes the slot's device and frees the slot. Output still queued in the driver is
// discarded, so a close never hangs behind a held-back handshake. 0, or -1 for an invalid
// slot or when the system reports an error while closing; the slot is free in both cases,
// because the descriptor is gone either way.
int SerialClose(int slot);

// 1 if the slot has an open device that still answers a status query and has not hung up
// (a pseudo-terminal whose other end closed, an adapter that was unplugged), else 0; also 0
// for an invalid slot.
int SerialIsAlive(int slot);

// Received bytes waiting in the driver; 0 when the query fails or for an invalid slot.
int SerialBytesAvailable(int slot);

// Waits until received bytes are waiting, at most limitMs (0 checks once without sleeping;
// negative counts as 0). 1 as soon as bytes are waiting, 0 when the limit passes or for an
// invalid slot.
int SerialWaitForData(int slot, int limitMs);

// Reads up to count bytes that have already arrived, never waiting for more. Bytes read
// (0..count), 0 for count <= 0 (the device is not touched), -1 for an invalid slot or a failed
// read (which includes a device that has hung up).
int SerialRead(int slot, void* buffer, int count);

// -1 for an invalid slot or a device without modem lines; 3 for a slot opened with
// kSerialNoModemLines; else bit 0 = CTS on, bit 1 = DSR on.
int SerialModemStatus(int slot);

// For RTS (0x04) and DTR (0x08) set in which: the line is switched on when the same bit is
// set in values, off otherwise; a handshake mode of that line ends. Nothing for an invalid
// slot or which 0.
void SerialSetLines(int slot, int values, int which);

// Writes count bytes. Bytes written; 0 for count <= 0; fewer than count when the driver's
// write time limit (12000/baud + 1 ms per byte plus 12000/baud + 2 ms) passes first; -1 for
// an invalid slot, a failed write, or a write still unfinished at count x byte time + 1000 ms.
int SerialWrite(int slot, const void* data, int count);

// Sleeps until the latest write should have left the wire, at most limitMs. 1, or 0 for an
// invalid slot.
int SerialWaitWriteDone(int slot, int limitMs);

// Bytes waiting in the driver's output queue; 0 when the query fails or for an invalid slot.
int SerialOutputPending(int slot);

// Reads count bytes, waiting up to limitMs; the limit is extended by one byte time for every
// byte that arrives. Bytes read (possibly fewer than count); 0 for count <= 0 after sleeping
// limitMs; -1 for an invalid slot or when the first read fails.
int SerialReadTimed(int slot, void* buffer, int count, int limitMs);

// As SerialReadTimed (with 20 ms more), but returns as soon as endByte is among the bytes read.
int SerialReadUntil(int slot, void* buffer, int count, int limitMs, std::uint8_t endByte);

// The slot's byte time in 1/1024 ms, -1 for an invalid slot.
int SerialByteTime(int slot);

}  // namespace wirbelix
