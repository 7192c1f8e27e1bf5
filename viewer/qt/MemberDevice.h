#pragma once
// A read-only, random-access QIODevice over a member stream, so the web engine reads a large
// member piece by piece (and seeks in it for range requests) instead of receiving it whole.

#include <QIODevice>

#include <memory>

namespace pagolux {

class TStream;

class MemberDevice : public QIODevice {
    Q_OBJECT

  public:
    // Takes the stream over and opens itself for reading.
    explicit MemberDevice(std::unique_ptr<TStream> stream, QObject* parent = nullptr);
    ~MemberDevice() override;

    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    std::unique_ptr<TStream> stream_;
    qint64 size_ = 0;
};

} // namespace pagolux
