#include "gst/zivvis.h"

#include <gst/audio/audio.h>
#include <gst/pbutils/gstaudiovisualizer.h>
#include <gst/video/video.h>

#include <algorithm>
#include <new>
#include <vector>

#include <ziv/ziv.h>

#include "gst/frame_fit.h"
#include "gst/stream_timeline.h"

GST_DEBUG_CATEGORY_STATIC(ziv_vis_debug);
#define GST_CAT_DEFAULT ziv_vis_debug

// The show writes 0x00RRGGBB words: BGRx bytes on a little-endian machine.
#if G_BYTE_ORDER == G_LITTLE_ENDIAN
#define ZIV_VIDEO_FORMAT "BGRx"
#else
#define ZIV_VIDEO_FORMAT "xRGB"
#endif
#define ZIV_SIZE "width=(int)640, height=(int)480"
#define ZIV_ANY_SIZE "width=(int)[1, 32767], height=(int)[1, 32767]"
#define ZIV_VIDEO(size, rate) \
    "video/x-raw, format=(string)" ZIV_VIDEO_FORMAT ", " size ", framerate=(fraction)" rate ", pixel-aspect-ratio=(fraction)1/1"

// Preferred first, as the base class keeps the first of what downstream accepts:
// the show's own 640x480 at its own 60 fps, then other rates, then other sizes.
static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS(ZIV_VIDEO(ZIV_SIZE, "60/1") "; " ZIV_VIDEO(ZIV_SIZE, "[1/1, 1000/1]") "; "
                    ZIV_VIDEO(ZIV_ANY_SIZE, "[1/1, 1000/1]")));

// The rates and channel counts libziv takes (ziv_feed_*); anything else is refused at negotiation.
static GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("audio/x-raw, format=(string){ " GST_AUDIO_NE(F32) ", " GST_AUDIO_NE(S16) " }, "
                    "layout=(string)interleaved, rate=(int)[1000, 384000], channels=(int)[1, 64]"));

// What the base class takes for a frame's samples; any small number does.
constexpr guint kBaseFrameSamples = 2;

struct GstZivVis {
    GstAudioVisualizer parent;

    ziv_show* show;
    gboolean restart;                 // the next buffer starts the show afresh
    StreamTimeline* timeline;
    FrameGrid* grid;
    GstPadChainFunction baseChain;    // the base class's, given one of its frames' samples per frame (pushFrame)
    uint64_t framePts;                // the frame the base class is drawing now
    uint64_t frameDuration;
    gboolean drawn;                   // the base class asked for that frame
    FrameFit* fit;
    std::vector<uint8_t>* silence;    // zeros for a gap in the timestamps
    GstAudioFormat fedFormat;         // what the show was fed since it started
    gint fedChannels;
    gboolean failed;                  // the show could not start again or refused samples: the stream stops
    gboolean fresh;                   // the show has been fed nothing yet
};

struct GstZivVisClass {
    GstAudioVisualizerClass parent_class;
};

G_DEFINE_TYPE(GstZivVis, gst_ziv_vis, GST_TYPE_AUDIO_VISUALIZER)

static GstZivVis* zivVis(gpointer object) { return reinterpret_cast<GstZivVis*>(object); }

// A show of its own for this element; false (with the element error posted) when there is none to have.
static gboolean createShow(GstZivVis* self) {
    ziv_options options;
    ziv_options_init(&options);
    const int code = ziv_create(&options, &self->show);
    if (code == ZIV_OK) {
        self->fresh = TRUE;
        return TRUE;
    }
    self->show = nullptr;
    if (code == ZIV_ERROR_BUSY)
        GST_ELEMENT_ERROR(self, RESOURCE, BUSY, ("The ziv show is already running in this program; it runs once per program."),
                          ("%s", ziv_last_error()));
    else
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("The ziv show could not start."), ("%s", ziv_last_error()));
    return FALSE;
}

static void destroyShow(GstZivVis* self) {
    if (self->show) ziv_destroy(self->show);
    self->show = nullptr;
}

// Afresh from the next samples: a new show, timed from the next timestamp.
static gboolean restartShow(GstZivVis* self, const GstAudioInfo* info) {
    GST_INFO_OBJECT(self, "the show starts afresh at %d Hz, %d channels", GST_AUDIO_INFO_RATE(info),
                    GST_AUDIO_INFO_CHANNELS(info));
    self->timeline->restart(GST_AUDIO_INFO_RATE(info));
    self->grid->stop();
    self->fedFormat = GST_AUDIO_INFO_FORMAT(info);
    self->fedChannels = GST_AUDIO_INFO_CHANNELS(info);
    self->restart = FALSE;
    // A show fed nothing yet is kept: letting it go would open a moment for another element to take it.
    if (self->show && self->fresh) return TRUE;
    destroyShow(self);
    if (createShow(self)) return TRUE;
    self->failed = TRUE;
    return FALSE;
}

static int feedSamples(GstZivVis* self, const void* data, size_t frames, const GstAudioInfo* info) {
    const int rate = GST_AUDIO_INFO_RATE(info), channels = GST_AUDIO_INFO_CHANNELS(info);
    if (GST_AUDIO_INFO_FORMAT(info) == GST_AUDIO_FORMAT_F32)
        return ziv_feed_f32(self->show, static_cast<const float*>(data), frames, rate, channels);
    return ziv_feed_s16(self->show, static_cast<const int16_t*>(data), frames, rate, channels);
}

static void feedSilence(GstZivVis* self, uint64_t frames, const GstAudioInfo* info) {
    const size_t bpf = static_cast<size_t>(GST_AUDIO_INFO_BPF(info));
    const size_t chunk = 4096;
    if (self->silence->size() < chunk * bpf) self->silence->assign(chunk * bpf, 0);
    while (frames > 0 && self->show) {
        const size_t now = static_cast<size_t>(std::min<uint64_t>(frames, chunk));
        if (feedSamples(self, self->silence->data(), now, info) != ZIV_OK) break;
        frames -= now;
    }
}

// Every buffer's samples go to the show as they arrive: it hears all of them,
// even those of frames dropped as late.
static void feedBuffer(GstZivVis* self, GstBuffer* buffer) {
    GstAudioVisualizer* scope = &self->parent;
    const GstAudioInfo* info = &scope->ainfo;
    if (GST_AUDIO_INFO_BPF(info) <= 0 || GST_AUDIO_INFO_RATE(info) <= 0) return;   // no format yet
    if (self->failed) return;
    const uint64_t pts = GST_BUFFER_PTS_IS_VALID(buffer) ? GST_BUFFER_PTS(buffer) : kNoTime;
    if (self->restart || !self->show || GST_AUDIO_INFO_FORMAT(info) != self->fedFormat ||
        GST_AUDIO_INFO_CHANNELS(info) != self->fedChannels || GST_AUDIO_INFO_RATE(info) != self->timeline->rate()) {
        if (!restartShow(self, info)) return;
    }
    FeedPlan plan = self->timeline->plan(pts);
    if (plan.restart) {
        GST_DEBUG_OBJECT(self, "timestamp %" GST_TIME_FORMAT " jumps: the show starts afresh", GST_TIME_ARGS(pts));
        if (!restartShow(self, info)) return;
        plan = {};
    }
    if (plan.silence > 0) {
        GST_DEBUG_OBJECT(self, "a gap of %" G_GUINT64_FORMAT " frames before %" GST_TIME_FORMAT " heard as silence",
                         plan.silence, GST_TIME_ARGS(pts));
        feedSilence(self, plan.silence, info);
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        GST_WARNING_OBJECT(self, "an audio buffer could not be read");
        return;
    }
    const size_t frames = map.size / static_cast<size_t>(GST_AUDIO_INFO_BPF(info));
    const int fed = feedSamples(self, map.data, frames, info);
    gst_buffer_unmap(buffer, &map);
    self->fresh = FALSE;
    if (fed != ZIV_OK) {
        // The caps keep to what the show takes, so this is not expected; without the samples the show
        // could not keep time, and a player waiting for frames would wait for ever: stop with an error.
        GST_ELEMENT_ERROR(self, STREAM, FORMAT, ("The ziv show cannot take this audio."), ("%s", ziv_last_error()));
        self->failed = TRUE;
        return;
    }
    self->timeline->fed(pts, plan.silence + frames);
}

static GstPadProbeReturn onSinkEvent(GstPad*, GstPadProbeInfo* info, gpointer user) {
    GstZivVis* self = zivVis(user);
    // After a seek, and at the start of the next track, the show starts afresh as at the start of a track.
    switch (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info))) {
    case GST_EVENT_FLUSH_STOP:
    case GST_EVENT_STREAM_START:
    case GST_EVENT_SEGMENT:
        self->restart = TRUE;
        self->failed = FALSE;
        break;
    default:
        break;
    }
    return GST_PAD_PROBE_OK;
}

// Frames stand on the grid of the negotiated rate from the first sample; a new rate
// goes on from the frame after the last one drawn.
static void followFrameRate(GstZivVis* self) {
    const GstVideoInfo* video = &self->parent.vinfo;
    const int fpsN = GST_VIDEO_INFO_FPS_N(video) > 0 ? GST_VIDEO_INFO_FPS_N(video) : 60;
    const int fpsD = GST_VIDEO_INFO_FPS_D(video) > 0 ? GST_VIDEO_INFO_FPS_D(video) : 1;
    if (!self->grid->started()) {
        if (self->timeline->started()) self->grid->restart(self->timeline->startNs(), fpsN, fpsD);
        self->framePts = kNoTime;
    } else if (fpsN != self->grid->fpsN() || fpsD != self->grid->fpsD()) {
        const uint64_t origin = self->framePts == kNoTime ? self->timeline->startNs()
                                                          : self->framePts + gst_util_uint64_scale_int(GST_SECOND, fpsD, fpsN);
        self->grid->restart(origin, fpsN, fpsD);
    }
}

// One frame through the base class, which negotiates, allocates, keeps to QoS and
// pushes it. Its own cut of the audio into frames follows the sizes of the
// buffers it gets and keeps samples between them, so it gets instead, for each
// frame, exactly the samples of one of its frames (req_spf, silent: the show's
// samples were fed already) marked as a discontinuity, which empties what it
// kept: it then draws exactly once, at this frame's timestamp.
static GstFlowReturn pushFrame(GstZivVis* self, GstPad* pad, GstObject* parent, uint64_t pts, uint64_t duration) {
    const gsize bytes = static_cast<gsize>(GST_AUDIO_INFO_BPF(&self->parent.ainfo)) * self->parent.req_spf;
    self->framePts = pts;
    self->frameDuration = duration;
    self->drawn = FALSE;
    GstBuffer* samples = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    if (!samples) return GST_FLOW_ERROR;
    gst_buffer_memset(samples, 0, 0, bytes);
    GST_BUFFER_PTS(samples) = pts;
    GST_BUFFER_FLAG_SET(samples, GST_BUFFER_FLAG_DISCONT);
    return self->baseChain(pad, parent, samples);
}

static GstFlowReturn zivVisChain(GstPad* pad, GstObject* parent, GstBuffer* buffer) {
    GstZivVis* self = zivVis(parent);
    feedBuffer(self, buffer);
    gst_buffer_unref(buffer);
    if (self->failed) return GST_FLOW_ERROR;
    if (GST_AUDIO_INFO_BPF(&self->parent.ainfo) <= 0) return GST_FLOW_NOT_NEGOTIATED;
    GstFlowReturn result = GST_FLOW_OK;
    uint64_t pts;
    while (result == GST_FLOW_OK) {
        followFrameRate(self);
        // Due once the show holds the samples up to the frame's heard position: a resampler keeps a
        // few back, and a frame drawn before they come would hear silence there.
        int64_t held = 0;
        if (!self->show || ziv_fed_samples(self->show, &held) != ZIV_OK) break;
        if (!self->grid->nextDue(self->timeline->heardUntilNs(held), &pts)) break;
        result = pushFrame(self, pad, parent, pts, self->grid->duration());
    }
    return result;
}

static GstFlowReturn zivVisChainList(GstPad* pad, GstObject* parent, GstBufferList* list) {
    GstFlowReturn result = GST_FLOW_OK;
    const guint count = gst_buffer_list_length(list);
    for (guint i = 0; i < count && result == GST_FLOW_OK; ++i)
        result = zivVisChain(pad, parent, gst_buffer_ref(gst_buffer_list_get(list, i)));
    gst_buffer_list_unref(list);
    return result;
}

static gboolean zivVisSetup(GstAudioVisualizer* scope) {
    GstZivVis* self = zivVis(scope);
    const int width = GST_VIDEO_INFO_WIDTH(&scope->vinfo), height = GST_VIDEO_INFO_HEIGHT(&scope->vinfo);
    if (width > 0 && height > 0) self->fit->resize(width, height, ZIV_WIDTH, ZIV_HEIGHT);
    // The base class's frame: a few samples, as it gets nothing else (pushFrame).
    scope->req_spf = kBaseFrameSamples;
    return TRUE;
}

static gboolean zivVisRender(GstAudioVisualizer* scope, GstBuffer*, GstVideoFrame* video) {
    GstZivVis* self = zivVis(scope);
    auto* out = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(video, 0));
    const size_t stride = static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(video, 0));
    if (GST_VIDEO_FRAME_WIDTH(video) != self->fit->outWidth() || GST_VIDEO_FRAME_HEIGHT(video) != self->fit->outHeight())
        self->fit->resize(GST_VIDEO_FRAME_WIDTH(video), GST_VIDEO_FRAME_HEIGHT(video), ZIV_WIDTH, ZIV_HEIGHT);
    const uint32_t* pixels = nullptr;
    const uint64_t pts = self->framePts;
    if (self->drawn) GST_DEBUG_OBJECT(self, "the frame at %" GST_TIME_FORMAT " drawn twice", GST_TIME_ARGS(pts));
    self->drawn = TRUE;
    GST_BUFFER_PTS(video->buffer) = pts;
    GST_BUFFER_DURATION(video->buffer) = self->frameDuration;
    if (self->show && pts != kNoTime) {
        const ShowPosition at = self->timeline->positionAt(pts);
        if (ziv_set_position(self->show, at.heard, at.elapsedMs) == ZIV_OK && ziv_draw_frame(self->show, nullptr) == ZIV_OK)
            pixels = ziv_frame_pixels(self->show);
        else
            GST_WARNING_OBJECT(self, "frame at %" GST_TIME_FORMAT " not drawn: %s", GST_TIME_ARGS(pts), ziv_last_error());
    }
    if (pixels) {
        self->fit->copy(pixels, out, stride);
    } else {
        for (int y = 0; y < GST_VIDEO_FRAME_HEIGHT(video); ++y)
            std::fill_n(out + static_cast<size_t>(y) * stride, static_cast<size_t>(GST_VIDEO_FRAME_WIDTH(video)) * 4, uint8_t{0});
    }
    return TRUE;
}

static GstStateChangeReturn zivVisChangeState(GstElement* element, GstStateChange transition) {
    GstZivVis* self = zivVis(element);
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        // Claimed here, so a second element in the process fails to start instead of drawing nothing.
        if (!createShow(self)) return GST_STATE_CHANGE_FAILURE;
        self->restart = TRUE;
        self->failed = FALSE;
    }
    const GstStateChangeReturn result = GST_ELEMENT_CLASS(gst_ziv_vis_parent_class)->change_state(element, transition);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY ||
        (transition == GST_STATE_CHANGE_READY_TO_PAUSED && result == GST_STATE_CHANGE_FAILURE))
        destroyShow(self);
    return result;
}

static void zivVisFinalize(GObject* object) {
    GstZivVis* self = zivVis(object);
    destroyShow(self);
    delete self->timeline;
    delete self->grid;
    delete self->fit;
    delete self->silence;
    G_OBJECT_CLASS(gst_ziv_vis_parent_class)->finalize(object);
}

static void gst_ziv_vis_class_init(GstZivVisClass* klass) {
    GObjectClass* object_class = G_OBJECT_CLASS(klass);
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    GstAudioVisualizerClass* scope_class = reinterpret_cast<GstAudioVisualizerClass*>(klass);

    object_class->finalize = zivVisFinalize;
    element_class->change_state = zivVisChangeState;
    scope_class->setup = zivVisSetup;
    scope_class->render = zivVisRender;

    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_add_static_pad_template(element_class, &sink_template);
    gst_element_class_set_static_metadata(
        element_class, "ziv music show", "Visualization",
        "Draws the ziv show's pictures from the music; photosensitivity warning: the show flashes and cuts hard to "
        "bright pictures on loud peaks, which may not suit people with photosensitive epilepsy.",
        "ziv developers <ziv@example.org>");
    GST_DEBUG_CATEGORY_INIT(ziv_vis_debug, "zivvis", 0, "the ziv show as a visualiser");
}

static void gst_ziv_vis_init(GstZivVis* self) {
    self->show = nullptr;
    self->restart = TRUE;
    self->timeline = new StreamTimeline();
    self->grid = new FrameGrid();
    self->framePts = kNoTime;
    self->frameDuration = 0;
    self->drawn = FALSE;
    self->fit = new FrameFit();
    self->silence = new std::vector<uint8_t>();
    self->fedFormat = GST_AUDIO_FORMAT_UNKNOWN;
    self->fedChannels = 0;
    self->failed = FALSE;
    self->fresh = FALSE;
    self->fit->resize(ZIV_WIDTH, ZIV_HEIGHT, ZIV_WIDTH, ZIV_HEIGHT);
    // The show's pictures are whole frames: nothing of the previous one is carried over.
    g_object_set(self, "shader", 0, nullptr);
    GstPad* sink = gst_element_get_static_pad(GST_ELEMENT(self), "sink");
    gst_pad_add_probe(sink, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      onSinkEvent, self, nullptr);
    self->baseChain = GST_PAD_CHAINFUNC(sink);
    gst_pad_set_chain_function(sink, zivVisChain);
    gst_pad_set_chain_list_function(sink, zivVisChainList);
    gst_object_unref(sink);
}

static gboolean pluginInit(GstPlugin* plugin) {
    return gst_element_register(plugin, "zivvis", GST_RANK_NONE, GST_TYPE_ZIV_VIS);
}

#ifndef ZIV_VERSION_STRING
#error "the build names the version (ZIV_VERSION_STRING)"
#endif

// The plugin's source package, as GstPluginDesc names it.
#define PACKAGE "ziv"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, ziv, "the ziv music show as a visualiser", pluginInit,
                  ZIV_VERSION_STRING, "Proprietary", "ziv", "https://ziv.example.org")
