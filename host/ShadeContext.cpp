#include "host/ShadeContext.h"

#include "host/Objects.h"

AColor ShadeContext::EvalEnvironMap(Texmap* map, Point3 view) {
    if (!map) return AColor(0.0f, 0.0f, 0.0f, 0.0f);
    // The map reads the view from the context; put it there for the call.
    const Point3 saved = V();
    SetView(view);
    const AColor c = map->EvalColor(*this);
    SetView(saved);
    return c;
}

Color ShadeContext::DiffuseIllum() {
    Color sum(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < nLights; ++i) {
        LightDesc* light = Light(i);
        if (!light) continue;
        Color col;
        Point3 dir;
        float dotNL = 0.0f, diffCoef = 0.0f;
        Point3 n = Normal();
        if (light->Illuminate(*this, n, col, dir, dotNL, diffCoef) && diffCoef > 0.0f) sum += col * diffCoef;
    }
    return sum;
}

Point3 ShadeContext::VectorToNoScale(const Point3& p, RefFrame ito) {
    const float len = p.Length();
    const Point3 v = VectorTo(p, ito);
    const float newLen = v.Length();
    return newLen > 0.0f ? v * (len / newLen) : v;
}

Point3 ShadeContext::VectorFromNoScale(const Point3& p, RefFrame ifrom) {
    const float len = p.Length();
    const Point3 v = VectorFrom(p, ifrom);
    const float newLen = v.Length();
    return newLen > 0.0f ? v * (len / newLen) : v;
}
