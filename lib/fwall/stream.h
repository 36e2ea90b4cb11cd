// The two directions of a connection as byte streams of messages: `MgmtWriter` stages bytes and emits
// protected blocks, `MgmtReader` receives, checks and delivers blocks.
//
// Both are owned by their `MgmtConnection` (conn.h) and point back at it. All their buffers are part of
// the object and allocated once per record; nothing is allocated per block. The reader and writer work
// the same on either end of a connection (client or simulator). One thread at a time per record.
//
// A message is a run of blocks ending with the last-block mark: `mgmt_read` returns 0 once at each
// end of message. Failures are sticky: a reader that failed (connection closed, malformed or rejected
// block) keeps returning -1, and the socket is closed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lib/fwall/conn.h"
#include "lib/fwall/framing.h"

struct MgmtReader {
    MgmtConnection* conn = nullptr;
    std::uint8_t delivery[fwall::kMaxBlockData] = {};  // data of the last non-empty block delivered
    std::uint8_t recv_area[fwall::kRecvAreaSize] = {};
    std::int32_t available = 0;    // bytes in the delivery area
    std::int32_t consumed = 0;     // of those, bytes handed out
    std::int32_t parse_pos = 0;    // start of the next block in the receive area
    std::int32_t received = 0;     // bytes in the receive area
    std::int32_t parse_state = 0;  // 0 before a block, 4 rejected
    std::int32_t block_flags = 0;
    std::int32_t block_length = 0;
    std::int32_t end_of_message = 0;
    std::int32_t error_number = 0;  // 35 when a read found the event flag set
    bool failed = false;            // sticky: the connection failed or a block was rejected
};

struct MgmtWriter {
    MgmtConnection* conn = nullptr;
    std::uint8_t staging[fwall::kMaxBlockData] = {};
    std::int32_t fill = 0;
    std::uint8_t send_area[fwall::kSendAreaSize] = {};
    std::int32_t start = 0;  // first unsent byte
    std::int32_t end = 0;
    std::int32_t end_of_message = 0;
};

// Appends bytes to the message being written; returns the bytes taken, -1 for a null writer or record,
// or a record whose handshake failed (state 5: nothing is ever sent on it).
int mgmt_write(MgmtWriter* writer, const void* bytes, int length);
// Ends the message: emits the staged bytes (possibly none) as its last block. 0; 1 when the event flag
// is set and earlier bytes are still unsent; -1 for a null or failed record.
int mgmt_flush(MgmtWriter* writer);
// Hands out delivered data of the current message: the bytes copied, 0 at the end of the message, -1
// on failure.
int mgmt_read(MgmtReader* reader, void* buffer, int size);
// Receives until a block has been delivered, the end-of-message mark is pending, or the handshake raised
// the event flag. 0, or -1 when the connection failed or a block was rejected (the socket is closed).
int mgmt_fill(MgmtReader* reader);

// Sends raw bytes on the record's transport, looping until all are sent. 0, or -1 on failure.
int mgmt_send_all(MgmtConnection* conn, const std::uint8_t* data, std::size_t length);

// The protection in force on the record (for its established blocks).
fwall::BlockProtection mgmt_protection(const MgmtConnection* conn, bool sending);
