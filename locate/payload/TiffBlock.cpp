#include "locate/payload/TiffBlock.h"

#include "locate/payload/IptcPlaces.h"
#include "locate/payload/MakerNotePlaces.h"
#include "locate/payload/TiffScan.h"
#include "locate/payload/TiffTexts.h"

void ScanTiffBlock(const ByteReader& block, int64_t tiff, bool placeNames, std::vector<PositionFind>& finds,
                   StripPlan& plan) {
    TiffScan t;
    if (tiff < 0 || !ScanTiff(block, tiff, block.Length(), t)) return;
    std::vector<ByteRange> zero;
    for (const GpsIfdScan& g : t.gps) {
        // A GPS IFD outside the block is read by no reader of it.
        if (g.outsideSegment || g.positions == 0) continue;
        const FindWhy why = GpsIfdBlocker(g);
        PositionFind f(FindKind::ExifGps, g.pos, why == FindWhy::None, why);
        f.len = t.GpsFindLen(g);
        finds.push_back(f);
        PlanGpsStrip(t, g, GpsStripMode{}, zero);
    }
    for (const ByteRange& z : zero) plan.Zero(z);
    for (const TextPosition& p : ScanTiffTexts(block, t)) {
        PositionFind f(FindKind::Location, p.value.pos, p.removable, p.why());
        f.len = p.value.len;
        finds.push_back(f);
        if (p.removable) plan.fills.push_back({plan.AddMap(ContentMap(p.value)), 0, p.value.len, p.fill, {}});
    }
    IptcScan x = ScanTiffIptc(block, t.iptc, t.imageResources, placeNames);
    finds.insert(finds.end(), x.finds.begin(), x.finds.end());
    plan.Append(x.plan);
    if (!placeNames) return;
    for (const MakerPlace& m : ScanMakerNotePlaces(block, t)) {
        PositionFind f(FindKind::PlaceName, m.value.pos, m.removable, m.why);
        f.len = m.value.len;
        finds.push_back(f);
        if (m.removable) plan.fills.push_back({plan.AddMap(ContentMap(m.value)), 0, m.value.len, m.fill, {}});
    }
}
