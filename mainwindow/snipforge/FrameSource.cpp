#include "mainwindow/snipforge/FrameSource.h"

#include "preview/VideoToImageThread.h"

namespace s::video::gui::dialogs::snipforge {

namespace {

// The preview's frame grabber behind the cutter's view of it.
class GrabberSource final : public IFrameSource {
public:
    explicit GrabberSource(VideoToImageThread* grabber) : m_grabber(grabber) {}
    void requestFrame(i64 us) override { m_grabber->requestFrame(us); }
    thread::ObjLocker& grabLock() override { return m_grabber->getGrabLock(); }
    bool takeImage(image::win::BufferedImage* image) override { return m_grabber->takeImage(image); }
    bool isImagePending() const override { return m_grabber->isImagePending(); }
    bool isBusy() override { return m_grabber->isBusy(); }
    void discardImage() override { m_grabber->clearImagePending(); }
    void releaseSource() override {
        m_grabber->release();
        delete this;
    }

private:
    VideoToImageThread* m_grabber;
};

IFrameSource* makeGrabberSource(event::INamedEventTarget* target, const str::strbuffer::StrBuffer& path,
                                i32 width, i32 height, bool external) {
    VideoToImageThread* grabber = VideoToImageThread::createFor(target, path, width, height, external);
    return grabber ? new GrabberSource(grabber) : nullptr;
}

} // namespace

FrameSourceFactory defaultFrameSourceFactory() {
    return makeGrabberSource;
}

thread::ObjLocker& fallbackGrabLock() {
    return VideoToImageThread::sharedGrabLock();
}

i64 frameLengthUs(i64 num, i64 den, bool hasVideo) {
    const i32 n = static_cast<i32>(num);
    const i32 d = static_cast<i32>(den);
    i64 rate;
    if (n == 60000 && d == 1001)
        rate = 59940;
    else if (n == 30000 && d == 1001)
        rate = 29970;
    else if (n == 24000 && d == 1001)
        rate = 23976;
    else
        rate = static_cast<i64>(n) * 1000 / (d > 1 ? d : 1);
    if (rate < 1 || !hasVideo)
        return 41666;
    if (rate < 60000)
        return 1000000000 / rate;
    return 16666;
}

} // namespace s::video::gui::dialogs::snipforge
