#pragma once

// The device's side of the serial line, without the line itself: starting
// configurations, input framing, answers, faults and pacing.

#include "ConfigRecord.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace rallon {

// The starting configurations, by name ("wireless-password",
// "wireless-key", "wired"), as the device would send them back.
QStringList simModelNames();
std::optional<ConfigRecord> simModel(const QString &name);

// Twice: each answer goes out two times back to back. Alter: an upload is
// taken with its primary port one higher, so the answer differs from it.
// Swap: an upload is taken by another device, swapped in after the request:
// from then on the device's serial number is one higher.
enum class SimFault { None, Silent, Partial, Noise, Pieces, Twice, Alter, Swap };
QStringList simFaultNames();  // "none", "silent", "partial", "noise", "pieces", "twice", "alter", "swap"
std::optional<SimFault> simFault(const QString &name);

// Cuts the incoming octets into requests, uploads and unknown octets.
// Holds back at most a partial frame (under 113 octets) or the start of a
// possible marker (under 4 octets).
class FrameReader
{
public:
    enum Kind { Request, Upload, Unknown };
    struct Frame {
        Kind kind;
        QByteArray bytes;
    };

    QList<Frame> feed(const QByteArray &bytes);
    // The octets held back, given up on.
    QByteArray takePending();
    int pendingSize() const { return int(m_buffer.size()); }

private:
    QByteArray m_buffer;
};

class SimDevice : public QObject
{
    Q_OBJECT

public:
    explicit SimDevice(const ConfigRecord &config, QObject *parent = nullptr);

    ConfigRecord config() const { return m_config; }
    void setFault(SimFault fault) { m_fault = fault; }
    // Send at the speed of a 4800-baud line instead of all at once.
    void setPaced(bool paced) { m_paced = paced; }
    // Act on a frame only when a 4800-baud line would have delivered its
    // last octet: each piece takes the line from when it arrives or the
    // line is free, whichever is later.
    void setReceivePaced(bool paced) { m_receivePaced = paced; }

    // Octets as they arrive from the line, in any pieces.
    void receive(const QByteArray &bytes);

signals:
    void requestReceived();
    void uploadReceived(const QByteArray &upload);
    void unknownReceived(const QByteArray &bytes);
    // One answer, as it is put on the line (possibly over time).
    void answerSent(const QByteArray &bytes);
    // The same events as one text line each, for the log.
    void logLine(const QString &line);
    // Octets to write to the line now.
    void output(const QByteArray &bytes);

private:
    struct Piece {
        QByteArray bytes;
        int pauseMs;  // before the piece
    };

    // Octets on their way in over the paced receive line.
    struct Arriving {
        QByteArray bytes;
        qint64 startNs;  // on m_lineClock: the first octet starts on the line
    };

    void take(const QByteArray &bytes);
    void handle(const FrameReader::Frame &frame);
    void takeDue();
    qint64 wakeNs() const;
    void answer();
    void sendDue();

    ConfigRecord m_config;
    SimFault m_fault = SimFault::None;
    bool m_paced = false;
    bool m_receivePaced = false;
    FrameReader m_reader;
    QList<Arriving> m_arriving;
    QElapsedTimer m_lineClock;
    qint64 m_lineFreeNs = 0;
    QTimer m_receiveTimer;
    QTimer m_idleTimer;

    QList<Piece> m_queue;
    bool m_pieceStarted = false;
    int m_sentOfPiece = 0;
    QElapsedTimer m_clock;  // since the piece started, or the last one ended
    QTimer m_sendTimer;
};

}  // namespace rallon
