#include "app/gl_canvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QOpenGLContext>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cstddef>
#include <cmath>
#include <stdexcept>
#include <string>

#include "app/text.h"

namespace app {
namespace {

static_assert(sizeof(shell::CellInstance) == 32, "the instance buffer takes the records as they are");

// Six vertices per instance, picked by gl_VertexID: (l,t) (r,t) (l,b) (l,b) (r,t) (r,b).
constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 screenRect;
layout(location = 1) in vec4 color;
uniform vec2 viewportSize;
out vec4 cellColor;
void main() {
    int corner = gl_VertexID % 6;
    float x = (corner == 1 || corner == 4 || corner == 5) ? screenRect.z : screenRect.x;
    float y = (corner == 2 || corner == 3 || corner == 5) ? screenRect.w : screenRect.y;
    gl_Position = vec4(x / viewportSize.x * 2.0 - 1.0, 1.0 - y / viewportSize.y * 2.0, 0.0, 1.0);
    cellColor = color;
}
)";

constexpr const char* kFragmentShader = R"(#version 330 core
in vec4 cellColor;
out vec4 fragColor;
void main() {
    fragColor = cellColor;
}
)";

// One quad over `rect`, sampling the cell image without smoothing.
constexpr const char* kImageVertexShader = R"(#version 330 core
uniform vec2 viewportSize;
uniform vec4 rect;
out vec2 texturePoint;
void main() {
    int corner = gl_VertexID % 6;
    bool right = corner == 1 || corner == 4 || corner == 5;
    bool bottom = corner == 2 || corner == 3 || corner == 5;
    float x = right ? rect.z : rect.x;
    float y = bottom ? rect.w : rect.y;
    gl_Position = vec4(x / viewportSize.x * 2.0 - 1.0, 1.0 - y / viewportSize.y * 2.0, 0.0, 1.0);
    texturePoint = vec2(right ? 1.0 : 0.0, bottom ? 1.0 : 0.0);
}
)";

constexpr const char* kImageFragmentShader = R"(#version 330 core
uniform sampler2D cells;
in vec2 texturePoint;
out vec4 fragColor;
void main() {
    fragColor = texture(cells, texturePoint);
}
)";

QColor ToQColor(const shell::ColorF& c) {
    auto unit = [](float v) { return std::clamp(static_cast<double>(v), 0.0, 1.0); };
    return QColor::fromRgbF(unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha));
}

QRectF ToQRect(const shell::RectF& r) { return QRectF(r.left, r.top, r.Width(), r.Height()); }

unsigned CompileShader(QOpenGLFunctions_3_3_Core* gl, GLenum type, const char* source, const char* what) {
    GLuint shader = gl->glCreateShader(type);
    gl->glShaderSource(shader, 1, &source, nullptr);
    gl->glCompileShader(shader);
    GLint ok = 0;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        gl->glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        gl->glDeleteShader(shader);
        throw std::runtime_error(std::string("Failed compiling batched cell ") + what + " shader.\n" + log);
    }
    return shader;
}

}  // namespace

GlCanvas::GlCanvas() { MakeFonts(); }

GlCanvas::~GlCanvas() = default;

static unsigned LinkProgram(QOpenGLFunctions_3_3_Core* gl, const char* vertex, const char* fragment) {
    GLuint vs = CompileShader(gl, GL_VERTEX_SHADER, vertex, "vertex");
    GLuint fs = 0;
    try {
        fs = CompileShader(gl, GL_FRAGMENT_SHADER, fragment, "pixel");
    } catch (...) {
        gl->glDeleteShader(vs);
        throw;
    }
    GLuint program = gl->glCreateProgram();
    gl->glAttachShader(program, vs);
    gl->glAttachShader(program, fs);
    gl->glLinkProgram(program);
    gl->glDeleteShader(vs);
    gl->glDeleteShader(fs);
    GLint linked = 0;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[1024] = {};
        gl->glGetProgramInfoLog(program, sizeof log, nullptr, log);
        gl->glDeleteProgram(program);
        throw std::runtime_error(std::string("Failed linking the batched cell shaders.\n") + log);
    }
    return program;
}

void GlCanvas::InitializeGl() {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) throw std::runtime_error("No OpenGL context is current.");
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context);
    if (!gl_ || !gl_->initializeOpenGLFunctions()) {
        const QSurfaceFormat f = context->format();
        throw std::runtime_error("OpenGL 3.3 core is not available (the context is " +
                                 std::to_string(f.majorVersion()) + "." + std::to_string(f.minorVersion()) + ").");
    }
    program_ = LinkProgram(gl_, kVertexShader, kFragmentShader);
    viewportUniform_ = gl_->glGetUniformLocation(program_, "viewportSize");
    imageProgram_ = LinkProgram(gl_, kImageVertexShader, kImageFragmentShader);
    imageViewportUniform_ = gl_->glGetUniformLocation(imageProgram_, "viewportSize");
    imageRectUniform_ = gl_->glGetUniformLocation(imageProgram_, "rect");
    gl_->glUseProgram(imageProgram_);
    gl_->glUniform1i(gl_->glGetUniformLocation(imageProgram_, "cells"), 0);
    gl_->glUseProgram(0);

    // Two per-instance attributes from one buffer, stride 32: the rectangle, then the colour.
    gl_->glGenVertexArrays(1, &vao_);
    gl_->glGenBuffers(1, &instanceBuffer_);
    gl_->glBindVertexArray(vao_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer_);
    gl_->glEnableVertexAttribArray(0);
    gl_->glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(shell::CellInstance), nullptr);
    gl_->glVertexAttribDivisor(0, 1);
    gl_->glEnableVertexAttribArray(1);
    gl_->glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, sizeof(shell::CellInstance),
                               reinterpret_cast<const void*>(offsetof(shell::CellInstance, color)));
    gl_->glVertexAttribDivisor(1, 1);
    gl_->glBindVertexArray(0);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, 0);
    instanceCapacity_ = 0;

    // The image quad needs no attributes, but core profiles draw only with a vertex array bound.
    gl_->glGenVertexArrays(1, &imageVao_);
    gl_->glGenTextures(1, &imageTexture_);
    gl_->glBindTexture(GL_TEXTURE_2D, imageTexture_);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl_->glBindTexture(GL_TEXTURE_2D, 0);
    imageWidth_ = imageHeight_ = 0;
    ready_ = true;
}

void GlCanvas::ReleaseGl() {
    if (gl_) {
        if (instanceBuffer_) gl_->glDeleteBuffers(1, &instanceBuffer_);
        if (vao_) gl_->glDeleteVertexArrays(1, &vao_);
        if (program_) gl_->glDeleteProgram(program_);
        if (imageTexture_) gl_->glDeleteTextures(1, &imageTexture_);
        if (imageVao_) gl_->glDeleteVertexArrays(1, &imageVao_);
        if (imageProgram_) gl_->glDeleteProgram(imageProgram_);
    }
    instanceBuffer_ = vao_ = program_ = 0;
    imageTexture_ = imageVao_ = imageProgram_ = 0;
    imageWidth_ = imageHeight_ = 0;
    instanceCapacity_ = 0;
    ready_ = false;
    // The functions belong to the context, which may be going away.
    gl_ = nullptr;
}

void GlCanvas::MakeFonts() {
    // "Segoe UI" where it is installed, else the system sans-serif: the same faces everywhere text is drawn.
    const QString systemSans = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    struct Format {
        int px;
        QFont::Weight weight;
    };
    const Format formats[4] = {{17, QFont::Medium}, {13, QFont::Medium}, {30, QFont::DemiBold}, {22, QFont::DemiBold}};
    for (int i = 0; i < 4; ++i) {
        QFont font;
        font.setFamilies({QStringLiteral("Segoe UI"), systemSans, QStringLiteral("sans-serif")});
        font.setStyleHint(QFont::SansSerif);
        font.setWeight(formats[i].weight);
        // Logical pixels: the painter scales text by the device pixel ratio itself.
        font.setPixelSize(formats[i].px);
        fonts_[i] = font;
    }
}

const QFont& GlCanvas::Font(shell::TextFormat format) const { return fonts_[static_cast<int>(format)]; }

void GlCanvas::BeginFrame(QPainter& painter, int pixelWidth, int pixelHeight, qreal ratio) {
    painter_ = &painter;
    pixelWidth_ = pixelWidth;
    pixelHeight_ = pixelHeight;
    ratio_ = ratio > 0 ? static_cast<float>(ratio) : 1.0f;
    clips_.clear();
    painter.setClipping(false);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.beginNativePainting();
    if (gl_) {
        gl_->glDisable(GL_SCISSOR_TEST);
        gl_->glClearColor(0.07f, 0.10f, 0.14f, 1.0f);
        gl_->glClear(GL_COLOR_BUFFER_BIT);
    }
    painter.endNativePainting();
}

void GlCanvas::EndFrame() {
    painter_ = nullptr;
    clips_.clear();
}

void GlCanvas::FillRect(const shell::RectF& rect, const shell::ColorF& color) {
    if (!painter_ || rect.Width() <= 0 || rect.Height() <= 0) return;
    // An opaque fill of the whole surface, unclipped, is a clear: a software renderer clears far
    // faster than it shades the same pixels.
    const bool whole = rect.left <= 0 && rect.top <= 0 && rect.right * ratio_ >= static_cast<float>(pixelWidth_) &&
                       rect.bottom * ratio_ >= static_cast<float>(pixelHeight_);
    if (gl_ && whole && color.alpha >= 1 && clips_.empty()) {
        painter_->beginNativePainting();
        gl_->glDisable(GL_SCISSOR_TEST);
        gl_->glClearColor(color.red, color.green, color.blue, 1.0f);
        gl_->glClear(GL_COLOR_BUFFER_BIT);
        painter_->endNativePainting();
        return;
    }
    painter_->fillRect(ToQRect(rect), ToQColor(color));
}

void GlCanvas::OutlineRect(const shell::RectF& rect, const shell::ColorF& color, float strokeWidth) {
    if (!painter_) return;
    QPen pen(ToQColor(color));
    pen.setWidthF(strokeWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRect(ToQRect(rect));
}

void GlCanvas::DrawWrappedText(std::string_view text, const shell::RectF& rect, shell::TextFormat format,
                               const shell::ColorF& color) {
    if (!painter_) return;
    painter_->setFont(Font(format));
    painter_->setPen(ToQColor(color));
    painter_->drawText(ToQRect(rect), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextDontClip,
                       ToQString(text));
}

void GlCanvas::DrawText(std::string_view text, const shell::RectF& rect, shell::TextFormat format,
                        const shell::ColorF& color, shell::HAlign h, shell::VAlign v) {
    if (!painter_) return;
    int flags = Qt::TextSingleLine | Qt::TextDontClip;
    switch (h) {
        case shell::HAlign::Leading: flags |= Qt::AlignLeft; break;
        case shell::HAlign::Trailing: flags |= Qt::AlignRight; break;
        case shell::HAlign::Centre: flags |= Qt::AlignHCenter; break;
    }
    switch (v) {
        case shell::VAlign::Near: flags |= Qt::AlignTop; break;
        case shell::VAlign::Far: flags |= Qt::AlignBottom; break;
        case shell::VAlign::Centre: flags |= Qt::AlignVCenter; break;
    }
    painter_->setFont(Font(format));
    painter_->setPen(ToQColor(color));
    painter_->drawText(ToQRect(rect), flags, ToQString(text));
}

float GlCanvas::MeasureTextWidth(std::string_view text, shell::TextFormat format) {
    return static_cast<float>(QFontMetricsF(Font(format)).horizontalAdvance(ToQString(text)));
}

bool GlCanvas::BeginGlDraw(const shell::RectF& clip) {
    if (!ready_ || !painter_ || pixelWidth_ <= 0 || pixelHeight_ <= 0) return false;
    // The clip is in logical pixels, the scissor in the device's.
    const int left = std::clamp(static_cast<int>(std::floor(clip.left * ratio_)), 0, pixelWidth_);
    const int top = std::clamp(static_cast<int>(std::floor(clip.top * ratio_)), 0, pixelHeight_);
    const int right = std::clamp(static_cast<int>(std::ceil(clip.right * ratio_)), 0, pixelWidth_);
    const int bottom = std::clamp(static_cast<int>(std::ceil(clip.bottom * ratio_)), 0, pixelHeight_);
    if (right <= left || bottom <= top) return false;

    // The painter flushes here, so everything it drew so far lies underneath.
    painter_->beginNativePainting();
    gl_->glViewport(0, 0, pixelWidth_, pixelHeight_);
    gl_->glEnable(GL_BLEND);
    gl_->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    gl_->glBlendEquation(GL_FUNC_ADD);
    gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl_->glDisable(GL_DEPTH_TEST);
    gl_->glDisable(GL_STENCIL_TEST);
    gl_->glDisable(GL_CULL_FACE);
    gl_->glEnable(GL_SCISSOR_TEST);
    // GL counts scissor rows from the bottom.
    gl_->glScissor(left, pixelHeight_ - bottom, right - left, bottom - top);
    return true;
}

void GlCanvas::EndGlDraw() {
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glUseProgram(0);
    gl_->glBindVertexArray(0);
    painter_->endNativePainting();
}

void GlCanvas::DrawCells(const std::vector<shell::CellInstance>& cells, const shell::RectF& clip) {
    if (cells.empty() || !BeginGlDraw(clip)) return;
    gl_->glBindVertexArray(vao_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer_);
    if (cells.size() > instanceCapacity_) {
        instanceCapacity_ = std::max(cells.size(), 2 * instanceCapacity_);
        gl_->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(instanceCapacity_ * sizeof(shell::CellInstance)),
                          nullptr, GL_DYNAMIC_DRAW);
    }
    gl_->glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(cells.size() * sizeof(shell::CellInstance)),
                         cells.data());
    gl_->glUseProgram(program_);
    gl_->glUniform2f(viewportUniform_, pixelWidth_ / ratio_, pixelHeight_ / ratio_);
    gl_->glDrawArraysInstanced(GL_TRIANGLES, 0, 6, static_cast<GLsizei>(cells.size()));
    gl_->glBindBuffer(GL_ARRAY_BUFFER, 0);
    EndGlDraw();
}

void GlCanvas::DrawCellImage(const shell::CellImage& image, const shell::RectF& clip) {
    if (image.columns <= 0 || image.rows <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.columns) * static_cast<std::size_t>(image.rows) ||
        !BeginGlDraw(clip))
        return;
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glBindTexture(GL_TEXTURE_2D, imageTexture_);
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl_->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl_->glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    gl_->glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    if (image.columns != imageWidth_ || image.rows != imageHeight_) {
        imageWidth_ = image.columns;
        imageHeight_ = image.rows;
        gl_->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, imageWidth_, imageHeight_, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                          image.pixels.data());
    } else {
        gl_->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, imageWidth_, imageHeight_, GL_RGBA, GL_UNSIGNED_BYTE,
                             image.pixels.data());
    }
    gl_->glUseProgram(imageProgram_);
    gl_->glUniform2f(imageViewportUniform_, pixelWidth_ / ratio_, pixelHeight_ / ratio_);
    gl_->glUniform4f(imageRectUniform_, image.dest.left, image.dest.top, image.dest.right, image.dest.bottom);
    gl_->glBindVertexArray(imageVao_);
    gl_->glDrawArrays(GL_TRIANGLES, 0, 6);
    gl_->glBindTexture(GL_TEXTURE_2D, 0);
    EndGlDraw();
}

void GlCanvas::PushClip(const shell::RectF& rect) {
    QRectF r = ToQRect(rect);
    if (!clips_.empty()) r = r.intersected(clips_.back());
    clips_.push_back(r);
    ApplyClip();
}

void GlCanvas::PopClip() {
    if (!clips_.empty()) clips_.pop_back();
    ApplyClip();
}

void GlCanvas::ApplyClip() {
    if (!painter_) return;
    if (clips_.empty()) {
        painter_->setClipping(false);
    } else {
        painter_->setClipRect(clips_.back(), Qt::ReplaceClip);
    }
}

}  // namespace app
