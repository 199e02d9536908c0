// The font of a text overlay: a stored 92-byte logical-font record turned
// into a QFont, selected into a painter while a mask is rendered and put
// back afterwards. Needs a QGuiApplication (fonts come from the platform's
// font database).
#pragma once

#include "CDataClass.h"

#include <QFont>

#include <optional>

class QPainter;

namespace quorvel {

class CAutoFont {
public:
    // Largest character height used, in pixels: a record that asks for more
    // (a damaged settings file) is drawn at this size.
    static constexpr int kMaxPixelSize = 512;

    CAutoFont();
    ~CAutoFont();  // releases
    CAutoFont(const CAutoFont &) = delete;
    CAutoFont &operator=(const CAutoFont &) = delete;

    // Replaces the record with `record` and creates its font.
    void Create(const LogFont &record);
    // Selects the font into `painter`, remembering the painter's font.
    void Select(QPainter &painter);
    // Puts the remembered font back.
    void Release();

    const LogFont &record() const { return m_Record; }
    const QFont &font() const { return m_Font; }

    // The record's defaults: height -12, weight 400, quality 2, pitch and
    // family 18, face "Arial".
    static LogFont defaultRecord();
    // The QFont a record stands for. Height < 0: character height in pixels;
    // > 0: cell height; 0 (and an all-zero record): the default sans font
    // at its default size. Weight 0 is normal. A face that is not installed
    // is substituted by fontconfig, guided by the pitch and family. Text is
    // never antialiased (masks are one bit). Escapement and orientation are
    // not applied: the overlays reset them before rendering.
    static QFont fontFor(const LogFont &record);
    // The font of a drawing context that has none selected.
    static QFont defaultFont();

private:
    LogFont m_Record;
    QFont m_Font;
    QPainter *m_pPainter = nullptr;
    std::optional<QFont> m_Previous;
};

} // namespace quorvel
