// Message streams over blocks: the writer's staging and emitting, the reader's receiving, parsing and
// delivering.
#include "lib/fwall/stream.h"

#include <algorithm>
#include <cstring>

#include "lib/fwall/handshake.h"

namespace {

using fwall::kMaxBlockData;

int transport_recv(MgmtConnection* conn, void* buffer, int size) {
    if (conn->transport.recv != nullptr)
        return conn->transport.recv(conn->transport.context, conn->socket, buffer, size);
    return sock_recv_within(conn->socket, buffer, size, conn->transport.timeout_ms);
}

int transport_send(MgmtConnection* conn, const void* data, int length) {
    if (conn->transport.send != nullptr)
        return conn->transport.send(conn->transport.context, conn->socket, data, length);
    if (conn->socket < 0) return -1;
    return sock_send(conn->socket, data, length);
}

// Sends what the send area still holds; a failed send discards it.
void send_pending(MgmtWriter* w) {
    if (w->start < w->end) {
        if (mgmt_send_all(w->conn, w->send_area + w->start, static_cast<std::size_t>(w->end - w->start)) != 0) {
            // Nothing to report here: the next read on the record finds the connection gone.
        }
    }
    w->start = w->end = 0;
}

// Emits the staged bytes as one block. 1 when the event flag holds earlier unsent bytes back.
int emit_block(MgmtWriter* w, bool last) {
    MgmtConnection* conn = w->conn;
    if (conn->event && w->start < w->end) return 1;
    if (!conn->event) send_pending(w);
    w->start = w->end = 0;
    if (w->fill > 0 || last) {
        const fwall::BlockProtection protection = mgmt_protection(conn, true);
        const std::size_t n = fwall::encode_block(protection, conn->state == kMgmtEstablished, w->staging,
                                                  static_cast<std::size_t>(w->fill), last, w->send_area);
        w->end = static_cast<std::int32_t>(n);
    }
    w->fill = 0;
    w->end_of_message = 0;
    if (!conn->event) send_pending(w);
    return 0;
}

// Ends the reader's life on this connection: nothing more is delivered, the socket is closed.
void fail_reader(MgmtReader* r) {
    r->failed = true;
    r->parse_state = 4;
    r->received = 0;
    r->parse_pos = 0;
    r->available = r->consumed = 0;
    r->end_of_message = 0;
    mgmt_close_socket(r);
}

void drop_front(MgmtReader* r, std::size_t count) {
    const std::size_t rest = static_cast<std::size_t>(r->received) - count;
    if (rest > 0) std::memmove(r->recv_area, r->recv_area + count, rest);
    r->received = static_cast<std::int32_t>(rest);
    r->parse_pos = 0;
    r->parse_state = 0;
}

void deliver(MgmtReader* r, const std::uint8_t* data, std::size_t length, bool last) {
    if (length > 0) std::memcpy(r->delivery, data, length);
    r->available = static_cast<std::int32_t>(length);
    r->consumed = 0;
    r->end_of_message = last ? 1 : 0;
}

// Parses what the receive area holds until one block is delivered or more bytes are needed.
// 0, or -1 when the stream cannot go on (malformed header, rejected block).
int parse_area(MgmtReader* r) {
    MgmtConnection* conn = r->conn;
    for (;;) {
        fwall::RawBlock raw;
        const fwall::SplitStatus split = fwall::split_block(r->recv_area, static_cast<std::size_t>(r->received), raw);
        if (split == fwall::SplitStatus::NeedMore) {
            r->parse_state = r->received == 0 ? 0 : 3;
            return 0;
        }
        if (split == fwall::SplitStatus::Malformed) return -1;
        r->block_flags = raw.flags;
        r->block_length = static_cast<std::int32_t>(raw.length);

        if (conn->state != kMgmtEstablished) {
            const std::uint32_t before = conn->state;
            if (mgmt_handshake_step(conn, raw.payload, raw.length) == 1) {
                drop_front(r, raw.total);
                continue;
            }
            if (before == kMgmtWaitingWelcome && conn->state == kMgmtFailed) {
                // The failed Welcome's bytes stay behind as data; everything received with it is discarded.
                deliver(r, raw.payload, std::min(raw.length, kMaxBlockData), (raw.flags & fwall::kFlagEndMask) != 0);
                r->received = 0;
                r->parse_pos = 0;
                r->parse_state = 0;
                return 0;
            }
            if (raw.length > kMaxBlockData) return -1;
            const bool last = (raw.flags & fwall::kFlagEndMask) != 0;
            if (raw.length > 0 || last) deliver(r, raw.payload, raw.length, last);
            drop_front(r, raw.total);
            if (raw.length == 0 && !last) continue;  // nothing to hand out: go on with the next block
            return 0;
        }

        fwall::OpenedBlock block;
        const fwall::BlockProtection protection = mgmt_protection(conn, false);
        switch (fwall::open_block(protection, conn->privacy, raw, block)) {
        case fwall::OpenStatus::Data:
            if (block.integrity_missing) {
                mgmt_log(0, "DEBUG Integrity check missing.");
                conn->integrity = 0;
            }
            if (block.data_length > 0 || block.last) deliver(r, block.data, block.data_length, block.last);
            drop_front(r, raw.total);
            if (block.data_length == 0 && !block.last) continue;  // nothing to hand out
            return 0;
        case fwall::OpenStatus::NotEncrypted:
            mgmt_log(0, "Block not encrypted!");
            if (fwall::kTovacBuild) mgmt_set_last_error(kErrNotEncrypted);
            return -1;
        case fwall::OpenStatus::DecryptedTooLong:
            mgmt_log(0, "decrypted packet too long!");
            if (fwall::kTovacBuild) mgmt_set_last_error(kErrDecryptedTooLong);
            return -1;
        case fwall::OpenStatus::CheckFailed:
        case fwall::OpenStatus::TooLongToDeliver:
        case fwall::OpenStatus::BadCipherLength:
            return -1;
        }
        return -1;
    }
}

}  // namespace

fwall::BlockProtection mgmt_protection(const MgmtConnection* conn, bool sending) {
    fwall::BlockProtection p;
    p.cipher = fwall::cipher_for_privacy(conn->privacy, fwall::kTovacBuild);
    p.integrity = conn->integrity != 0;
    p.integrity_key = conn->integrity_key;
    p.schedule1 = &conn->schedule1;
    p.schedule2 = &conn->schedule2;
    p.iv = sending ? conn->send_iv : conn->recv_iv;
    return p;
}

int mgmt_send_all(MgmtConnection* conn, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const int chunk = static_cast<int>(std::min<std::size_t>(length, 1 << 20));
        const int n = transport_send(conn, data, chunk);
        if (n <= 0) return -1;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return 0;
}

int mgmt_write(MgmtWriter* writer, const void* bytes, int length) {
    if (writer == nullptr || writer->conn == nullptr || writer->conn->state == kMgmtFailed) return -1;
    if (length <= 0 || bytes == nullptr) return 0;
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    int taken = 0;
    while (taken < length) {
        if (writer->fill == static_cast<std::int32_t>(kMaxBlockData) && emit_block(writer, false) == 1) break;
        const int room = static_cast<int>(kMaxBlockData) - writer->fill;
        const int n = std::min(room, length - taken);
        std::memcpy(writer->staging + writer->fill, in + taken, static_cast<std::size_t>(n));
        writer->fill += n;
        taken += n;
    }
    return taken;
}

int mgmt_flush(MgmtWriter* writer) {
    if (writer == nullptr || writer->conn == nullptr || writer->conn->state == kMgmtFailed) return -1;
    writer->end_of_message = 1;
    return emit_block(writer, true);
}

int mgmt_fill(MgmtReader* reader) {
    if (reader == nullptr || reader->conn == nullptr || reader->failed) return -1;
    MgmtConnection* conn = reader->conn;
    const std::int32_t event_at_start = conn->event;
    for (;;) {
        // Blocks already received are parsed before anything more is asked of the socket, so that a
        // receive that brought two blocks never waits for bytes that will not come.
        if (reader->consumed >= reader->available && !reader->end_of_message) {
            if (parse_area(reader) < 0) {
                fail_reader(reader);
                conn->event = event_at_start;
                return -1;
            }
        }
        if (conn->event) {
            conn->event = event_at_start;
            return 0;
        }
        if (reader->available > reader->consumed || reader->end_of_message) return 0;
        const int room = static_cast<int>(fwall::kRecvAreaSize) - reader->received;
        const int n = transport_recv(conn, reader->recv_area + reader->received, room);
        if (n <= 0) {
            fail_reader(reader);
            conn->event = event_at_start;
            return -1;
        }
        reader->received += n;
    }
}

int mgmt_read(MgmtReader* reader, void* buffer, int size) {
    if (reader == nullptr || reader->conn == nullptr || buffer == nullptr || size <= 0) return -1;
    if (reader->conn->state == kMgmtFailed) return -1;
    for (;;) {
        if (reader->consumed >= reader->available && reader->end_of_message) {
            reader->end_of_message = 0;
            reader->available = reader->consumed = 0;
            return 0;
        }
        if (reader->available > reader->consumed) {
            const int n = std::min(size, reader->available - reader->consumed);
            std::memcpy(buffer, reader->delivery + reader->consumed, static_cast<std::size_t>(n));
            reader->consumed += n;
            if (reader->consumed >= reader->available && !reader->end_of_message) {
                reader->available = reader->consumed = 0;
            }
            return n;
        }
        if (reader->conn->event) {
            reader->error_number = 35;
            return -1;
        }
        if (mgmt_fill(reader) < 0) return -1;
    }
}
