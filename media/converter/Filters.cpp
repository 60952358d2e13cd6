#include "media/converter/Filters.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

namespace s::video::tool {

VideoFilter::~VideoFilter() {
    sws_freeContext(m_sws);
    av_frame_free(&m_out);
    av_frame_free(&m_turned);
}

bool VideoFilter::setRotation(int degrees) {
    if (degrees == 0) {
        m_rotation = 0;
        return true;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(m_format);
    if (!desc || desc->nb_components == 0 || (desc->flags & (AV_PIX_FMT_FLAG_PLANAR | AV_PIX_FMT_FLAG_BITSTREAM)) ||
        desc->log2_chroma_w || desc->log2_chroma_h || (degrees != 90 && degrees != 180 && degrees != 270))
        return false;
    m_turned = av_frame_alloc();
    m_rotation = degrees;
    return m_turned != nullptr;
}

AVFrame* VideoFilter::turn(const AVFrame* in) {
    const int step = av_get_padded_bits_per_pixel(av_pix_fmt_desc_get(m_format)) / 8;
    const bool sideways = m_rotation != 180;
    av_frame_unref(m_turned);
    m_turned->width = sideways ? in->height : in->width;
    m_turned->height = sideways ? in->width : in->height;
    m_turned->format = in->format;
    if (step <= 0 || av_frame_get_buffer(m_turned, 0) < 0 || av_frame_copy_props(m_turned, in) < 0)
        return nullptr;
    const int w = in->width, h = in->height;
    for (int y = 0; y < h; ++y) {
        const u8* from = in->data[0] + static_cast<ptrdiff_t>(y) * in->linesize[0];
        for (int x = 0; x < w; ++x, from += step) {
            // Where the pixel at (x, y) lands when the picture turns clockwise.
            int tx = x, ty = y;
            if (m_rotation == 90) {
                tx = h - 1 - y;
                ty = x;
            } else if (m_rotation == 180) {
                tx = w - 1 - x;
                ty = h - 1 - y;
            } else {
                tx = y;
                ty = w - 1 - x;
            }
            std::memcpy(m_turned->data[0] + static_cast<ptrdiff_t>(ty) * m_turned->linesize[0] +
                            static_cast<ptrdiff_t>(tx) * step,
                        from, static_cast<size_t>(step));
        }
    }
    if (sideways && in->sample_aspect_ratio.num > 0)
        m_turned->sample_aspect_ratio = av_inv_q(in->sample_aspect_ratio);
    return m_turned;
}

bool VideoFilter::configure(int width, int height, AVPixelFormat format, AVRational rate) {
    m_width = width;
    m_height = height;
    m_format = format;
    m_rate = rate;
    m_out = av_frame_alloc();
    return m_out != nullptr && width > 0 && height > 0;
}

AVFrame* VideoFilter::convert(const AVFrame* in) {
    if (in->width == m_width && in->height == m_height && in->format == m_format) {
        // Nothing to convert: pass the decoded picture on.
        av_frame_unref(m_out);
        if (av_frame_ref(m_out, in) < 0)
            return nullptr;
        return m_rotation ? turn(m_out) : m_out;
    }
    if (!m_sws || in->width != m_inWidth || in->height != m_inHeight || in->format != m_inFormat) {
        sws_freeContext(m_sws);
        m_sws = sws_getContext(in->width, in->height, static_cast<AVPixelFormat>(in->format), m_width, m_height,
                               m_format, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!m_sws)
            return nullptr;
        m_inWidth = in->width;
        m_inHeight = in->height;
        m_inFormat = in->format;
        // Full-range sources (JPEG-style) keep their levels.
        const int* coefficients = sws_getCoefficients(in->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT
                                                                                             : in->colorspace);
        const bool fullIn = in->color_range == AVCOL_RANGE_JPEG || in->format == AV_PIX_FMT_YUVJ420P ||
                            in->format == AV_PIX_FMT_YUVJ422P || in->format == AV_PIX_FMT_YUVJ444P;
        sws_setColorspaceDetails(m_sws, coefficients, fullIn ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 0, 0,
                                 1 << 16, 1 << 16);
    }
    av_frame_unref(m_out);
    m_out->width = m_width;
    m_out->height = m_height;
    m_out->format = m_format;
    if (av_frame_get_buffer(m_out, 0) < 0)
        return nullptr;
    if (sws_scale(m_sws, in->data, in->linesize, 0, in->height, m_out->data, m_out->linesize) != m_height)
        return nullptr;
    // Keep the shape on screen: scale the pixel aspect with the size change.
    AVRational sar = in->sample_aspect_ratio;
    if (sar.num > 0 && sar.den > 0 && (m_width != in->width || m_height != in->height)) {
        av_reduce(&sar.num, &sar.den, static_cast<i64>(sar.num) * m_height * in->width,
                  static_cast<i64>(sar.den) * m_width * in->height, INT32_MAX);
    }
    m_out->sample_aspect_ratio = sar;
    // Interlaced pictures stay marked as such, with their field order.
    m_out->interlaced_frame = in->interlaced_frame;
    m_out->top_field_first = in->top_field_first;
    return m_rotation ? turn(m_out) : m_out;
}

i64 VideoFilter::repeatsFor(i64 timeUs, i64* first) {
    if (m_rate.num <= 0) {
        *first = m_next++;
        return 1;
    }
    const i64 index = av_rescale_q_rnd(timeUs, AVRational{1, 1000000}, av_inv_q(m_rate),
                                       static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    if (index < m_next)
        return 0; // behind the clock: dropped
    *first = m_next;
    const i64 count = index - m_next + 1; // gaps are filled with this picture
    m_next = index + 1;
    return count;
}

AudioFilter::~AudioFilter() {
    swr_free(&m_swr);
    if (m_fifo)
        av_audio_fifo_free(m_fifo);
    av_frame_free(&m_convert);
    av_frame_free(&m_out);
    av_channel_layout_uninit(&m_layout);
    av_channel_layout_uninit(&m_inLayout);
}

bool AudioFilter::configure(int sampleRate, const AVChannelLayout& layout, AVSampleFormat format, i64 limitUs,
                            bool alignStart) {
    m_rate = sampleRate;
    m_format = format;
    if (av_channel_layout_copy(&m_layout, &layout) < 0)
        return false;
    m_limit = limitUs < 0 ? -1 : av_rescale(limitUs, sampleRate, 1000000);
    m_align = alignStart;
    m_fifo = av_audio_fifo_alloc(format, layout.nb_channels, 4096);
    m_convert = av_frame_alloc();
    m_out = av_frame_alloc();
    return m_fifo && m_convert && m_out && sampleRate > 0;
}

bool AudioFilter::setupResampler(const AVFrame* in) {
    AVChannelLayout inLayout{};
    if (in->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || in->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&inLayout, in->ch_layout.nb_channels > 0 ? in->ch_layout.nb_channels : 2);
    else if (av_channel_layout_copy(&inLayout, &in->ch_layout) < 0)
        return false;
    if (m_swr && in->sample_rate == m_inRate && in->format == m_inFormat &&
        av_channel_layout_compare(&inLayout, &m_inLayout) == 0) {
        av_channel_layout_uninit(&inLayout);
        return true;
    }
    swr_free(&m_swr);
    av_channel_layout_uninit(&m_inLayout);
    m_inLayout = inLayout;
    m_inRate = in->sample_rate;
    m_inFormat = in->format;
    if (swr_alloc_set_opts2(&m_swr, &m_layout, m_format, m_rate, &m_inLayout,
                            static_cast<AVSampleFormat>(in->format), in->sample_rate, 0, nullptr) < 0)
        return false;
    return swr_init(m_swr) >= 0;
}

bool AudioFilter::write(u8** data, int offset, int count) {
    if (count <= 0)
        return true;
    if (m_limit >= 0)
        count = static_cast<int>(std::min<i64>(count, m_limit - m_queued));
    if (count <= 0)
        return true;
    const int bytes = av_get_bytes_per_sample(m_format);
    const bool planar = av_sample_fmt_is_planar(m_format);
    u8* planes[AV_NUM_DATA_POINTERS] = {};
    const int planeCount = planar ? m_layout.nb_channels : 1;
    if (planeCount > AV_NUM_DATA_POINTERS)
        return false;
    for (int p = 0; p < planeCount; ++p)
        planes[p] = data[p] + static_cast<size_t>(offset) * bytes * (planar ? 1 : m_layout.nb_channels);
    if (av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(planes), count) < count)
        return false;
    m_queued += count;
    return true;
}

bool AudioFilter::push(const AVFrame* in, i64 timeUs) {
    if (full())
        return true;
    if (!setupResampler(in))
        return false;
    av_frame_unref(m_convert);
    const int capacity = swr_get_out_samples(m_swr, in->nb_samples);
    if (capacity <= 0)
        return true;
    m_convert->format = m_format;
    m_convert->sample_rate = m_rate;
    m_convert->nb_samples = capacity;
    if (av_channel_layout_copy(&m_convert->ch_layout, &m_layout) < 0 || av_frame_get_buffer(m_convert, 0) < 0)
        return false;
    const int count = swr_convert(m_swr, m_convert->data, capacity, const_cast<const u8**>(in->extended_data),
                                  in->nb_samples);
    if (count < 0)
        return false;
    int skip = 0;
    if (!m_started) {
        // The first samples decide where the output begins.
        const i64 position = av_rescale(timeUs, m_rate, 1000000);
        if (position + count <= 0)
            return true; // wholly before the start
        if (position < 0) {
            skip = static_cast<int>(-position);
        } else if (position > 0 && m_align) {
            const int silence = static_cast<int>(std::min<i64>(position, m_rate * 60LL));
            AVFrame* quiet = av_frame_alloc();
            if (!quiet)
                return false;
            quiet->format = m_format;
            quiet->nb_samples = silence;
            bool ok = av_channel_layout_copy(&quiet->ch_layout, &m_layout) >= 0 &&
                      av_frame_get_buffer(quiet, 0) >= 0 &&
                      av_samples_set_silence(quiet->data, 0, silence, m_layout.nb_channels, m_format) >= 0 &&
                      write(quiet->data, 0, silence);
            av_frame_free(&quiet);
            if (!ok)
                return false;
        } else if (position > 0) {
            m_pts = position;
        }
        m_started = true;
    }
    return write(m_convert->data, skip, count - skip);
}

bool AudioFilter::flush() {
    if (!m_swr || !m_started || full())
        return true;
    av_frame_unref(m_convert);
    const int capacity = swr_get_out_samples(m_swr, 0);
    if (capacity <= 0)
        return true;
    m_convert->format = m_format;
    m_convert->nb_samples = capacity;
    if (av_channel_layout_copy(&m_convert->ch_layout, &m_layout) < 0 || av_frame_get_buffer(m_convert, 0) < 0)
        return false;
    const int count = swr_convert(m_swr, m_convert->data, capacity, nullptr, 0);
    return count >= 0 && write(m_convert->data, 0, count);
}

AVFrame* AudioFilter::pull(int frameSize, bool final) {
    const int available = av_audio_fifo_size(m_fifo);
    if (available <= 0 || (available < frameSize && !final))
        return nullptr;
    const int count = frameSize > 0 ? std::min(available, frameSize) : available;
    av_frame_unref(m_out);
    m_out->format = m_format;
    m_out->sample_rate = m_rate;
    m_out->nb_samples = count;
    if (av_channel_layout_copy(&m_out->ch_layout, &m_layout) < 0 || av_frame_get_buffer(m_out, 0) < 0)
        return nullptr;
    if (av_audio_fifo_read(m_fifo, reinterpret_cast<void**>(m_out->data), count) < count)
        return nullptr;
    m_out->pts = m_pts;
    m_pts += count;
    return m_out;
}

} // namespace s::video::tool
