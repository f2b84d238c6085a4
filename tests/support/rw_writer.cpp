#include "tests/support/rw_writer.h"

#include <QDir>
#include <QPainter>
#include <algorithm>
#include <fstream>

#include "tests/support/le_writer.h"

namespace vestura::test {

namespace {

constexpr std::uint32_t kStruct = 0x01, kExtension = 0x03, kMaterialList = 0x08;
constexpr std::uint32_t kFrameList = 0x0E, kGeometry = 0x0F, kClump = 0x10, kAtomic = 0x14;
constexpr std::uint32_t kGeometryList = 0x1A, kBinMesh = 0x50E;
constexpr std::uint32_t kNodeNamePlugin = 0x0253F2FE;  // a plugin the reader does not know
constexpr std::uint32_t kTexturedFlags = 0x00010000 | 0x04 | 0x02;  // one UV set, positions

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// An extension holding an unknown plugin, then `more`.
Bytes plugin(std::uint32_t stamp, const Bytes& more = {}) {
    return rwChunk(kExtension, stamp,
                   join({rwChunk(kNodeNamePlugin, stamp, Bytes{'n', 'o', 'd', 'e'}), more}));
}

Bytes frameList(const RwClump& clump, std::uint32_t stamp) {
    LeWriter s;
    s.u32(static_cast<std::uint32_t>(clump.frames.size()));
    for (const RwFrame& f : clump.frames) {
        for (float m : f.matrix) {
            s.f32(m);
        }
        s.i32(f.parent).u32(0);
    }
    Bytes payload = rwChunk(kStruct, stamp, s.result());
    for (std::size_t i = 0; i < clump.frames.size(); ++i) {
        const Bytes ext = plugin(stamp);
        payload.insert(payload.end(), ext.begin(), ext.end());
    }
    return rwChunk(kFrameList, stamp, payload);
}

Bytes geometry(const RwGeometry& g, std::uint32_t stamp) {
    LeWriter s;
    const std::uint32_t flags = (g.uvs.empty() ? 0x02 : kTexturedFlags) | g.extraFlags;
    s.u32(flags).u32(static_cast<std::uint32_t>(g.triangles.size()));
    s.u32(static_cast<std::uint32_t>(g.positions.size())).u32(1);
    if (stamp == kStamp33) {
        s.f32(1).f32(1).f32(1);  // surface properties, present before 3.4
    }
    const Bytes materials = rwChunk(kMaterialList, stamp, rwChunk(kStruct, stamp, Bytes(4, 0)));
    if (g.countsOnly) {
        return rwChunk(kGeometry, stamp, join({rwChunk(kStruct, stamp, s.result()), materials, plugin(stamp)}));
    }
    for (const Vec2& uv : g.uvs) {
        s.f32(uv.u).f32(uv.v);
    }
    for (const auto& t : g.triangles) {
        s.u16(t[1]).u16(t[0]).u16(0).u16(t[2]);
    }
    s.f32(0).f32(0).f32(0).f32(2).u32(1).u32(0);  // bounding sphere, positions, no normals
    for (const Vec3& p : g.positions) {
        s.f32(p.x).f32(p.y).f32(p.z);
    }
    const Bytes extension =
        plugin(stamp, g.binMesh ? rwChunk(kBinMesh, stamp, binMeshPayload(*g.binMesh)) : Bytes{});
    return rwChunk(kGeometry, stamp,
                   join({rwChunk(kStruct, stamp, s.result()), materials, extension}));
}

Bytes geometryList(const RwClump& clump, std::uint32_t stamp) {
    LeWriter s;
    s.u32(static_cast<std::uint32_t>(clump.geometries.size()));
    Bytes payload = rwChunk(kStruct, stamp, s.result());
    for (const RwGeometry& g : clump.geometries) {
        const Bytes one = geometry(g, stamp);
        payload.insert(payload.end(), one.begin(), one.end());
    }
    return rwChunk(kGeometryList, stamp, payload);
}

Bytes atomic(std::uint32_t frame, std::uint32_t geometryIndex, std::uint32_t stamp) {
    LeWriter s;
    s.u32(frame).u32(geometryIndex).u32(5).u32(0);
    return rwChunk(kAtomic, stamp, join({rwChunk(kStruct, stamp, s.result()), plugin(stamp)}));
}

// The child frame of the cube: a quarter turn about +Y (model +Z is the frame's +X) and a
// move that the fitted camera takes out again.
constexpr std::array<float, 12> kChildMatrix{0, 0, -1, 0, 1, 0, 1, 0, 0, 5, 0, 0};

// Model space to the child frame's own space: the transposed turn after the move back.
Vec3 intoChild(const Vec3& p) {
    const Vec3 q{p.x - kChildMatrix[9], p.y - kChildMatrix[10], p.z - kChildMatrix[11]};
    return {q.x * kChildMatrix[0] + q.y * kChildMatrix[1] + q.z * kChildMatrix[2],
            q.x * kChildMatrix[3] + q.y * kChildMatrix[4] + q.z * kChildMatrix[5],
            q.x * kChildMatrix[6] + q.y * kChildMatrix[7] + q.z * kChildMatrix[8]};
}

struct Face {
    Vec3 corner, across, down;  // model space, seen from outside: across to the right
    int block;                  // index into the skin's blocks
};

constexpr int kBlocksAcross = 3;
constexpr int kBlockInset = 8;  // texels kept clear of each block's edges

// Each face seen from outside, its corners top-left, top-right, bottom-left in model space.
// Seen from outside the -Z face the viewer's right is -X (the model's +X is on the left).
constexpr Face kFaces[] = {
    {{1, 1, -1}, {-2, 0, 0}, {0, -2, 0}, 0},   // -Z
    {{1, 1, 1}, {0, 0, -2}, {0, -2, 0}, 1},    // +X
    {{-1, 1, 1}, {2, 0, 0}, {0, -2, 0}, 2},    // +Z
    {{-1, 1, -1}, {0, 0, 2}, {0, -2, 0}, 3},   // -X
    {{1, 1, 1}, {-2, 0, 0}, {0, 0, -2}, 4},    // +Y
    {{1, -1, -1}, {-2, 0, 0}, {0, 0, 2}, 5},   // -Y
};

QRect blockRect(int block) {
    const int width = 256 / kBlocksAcross, height = 128;
    return {(block % kBlocksAcross) * width, (block / kBlocksAcross) * height, width, height};
}

}  // namespace

Bytes rwChunk(std::uint32_t type, std::uint32_t stamp, const Bytes& payload) {
    LeWriter w;
    w.u32(type).u32(static_cast<std::uint32_t>(payload.size())).u32(stamp).bytes(payload);
    return w.result();
}

Bytes binMeshPayload(const RwBinMesh& b) {
    LeWriter meshes;
    std::uint32_t total = 0;
    for (const auto& indices : b.meshes) {
        meshes.u32(static_cast<std::uint32_t>(indices.size())).u32(0);  // the one material
        for (const std::uint32_t i : indices) {
            meshes.u32(i);
        }
        total += static_cast<std::uint32_t>(indices.size());
    }
    LeWriter s;
    s.u32(b.kind).u32(static_cast<std::uint32_t>(b.meshes.size())).u32(total);
    return s.bytes(meshes.result()).result();
}

Bytes writeDff(const RwClump& clump, std::uint32_t stamp) {
    LeWriter s;
    s.u32(static_cast<std::uint32_t>(clump.atomics.size()));
    if (stamp != kStamp33) {
        s.u32(0).u32(0);  // lights and cameras
    }
    Bytes payload = join({rwChunk(kStruct, stamp, s.result()), frameList(clump, stamp),
                          geometryList(clump, stamp)});
    for (const auto& [frame, g] : clump.atomics) {
        const Bytes one = atomic(frame, g, stamp);
        payload.insert(payload.end(), one.begin(), one.end());
    }
    const Bytes tail = plugin(stamp);
    payload.insert(payload.end(), tail.begin(), tail.end());
    const Bytes junk = rwChunk(kNodeNamePlugin, stamp, Bytes(20, 0xAB));
    return join({junk, rwChunk(kClump, stamp, payload)});
}

RwClump cubeClump() {
    RwGeometry g;
    for (const Face& face : kFaces) {
        const auto base = static_cast<std::uint16_t>(g.positions.size());
        const QRectF block = QRectF(blockRect(face.block))
                                 .adjusted(kBlockInset, kBlockInset, -kBlockInset, -kBlockInset);
        for (int corner = 0; corner < 4; ++corner) {
            const float a = corner % 2, d = corner / 2;
            const Vec3 p{face.corner.x + a * face.across.x + d * face.down.x,
                         face.corner.y + a * face.across.y + d * face.down.y,
                         face.corner.z + a * face.across.z + d * face.down.z};
            g.positions.push_back(intoChild(p));
            g.uvs.push_back({static_cast<float>((block.left() + a * block.width()) / 256),
                             static_cast<float>((block.top() + d * block.height()) / 256)});
        }
        g.triangles.push_back({base, static_cast<std::uint16_t>(base + 1),
                               static_cast<std::uint16_t>(base + 2)});
        g.triangles.push_back({static_cast<std::uint16_t>(base + 1),
                               static_cast<std::uint16_t>(base + 3),
                               static_cast<std::uint16_t>(base + 2)});
    }
    RwClump clump;
    RwFrame root;
    root.matrix = {1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 100, 0};  // a quarter turn about X, moved up
    RwFrame child;
    child.matrix = kChildMatrix;
    child.parent = 0;
    clump.frames = {root, child};
    clump.geometries = {g};
    clump.atomics = {{1, 0}};
    return clump;
}

QImage cubeSkin() {
    QImage skin(256, 256, QImage::Format_RGB32);
    skin.fill(Qt::black);
    QPainter painter(&skin);
    const QRgb colours[] = {kCubeMinusZ, kCubePlusX, kCubePlusZ, kCubeMinusX, kCubePlusY, kCubeMinusY};
    for (int block = 0; block < 6; ++block) {
        painter.fillRect(blockRect(block), QColor::fromRgb(colours[block]));
    }
    return skin;
}

void writeArchive(const std::string& gameFolder, const std::vector<ArchiveEntry>& entries) {
    constexpr std::size_t kSector = 2048;
    QDir().mkpath(QString::fromStdString(gameFolder + "models"));
    LeWriter dir;
    Bytes img;
    for (const ArchiveEntry& e : entries) {
        const std::size_t sectors = (e.content.size() + kSector - 1) / kSector;
        dir.u32(static_cast<std::uint32_t>(img.size() / kSector)).u32(static_cast<std::uint32_t>(sectors));
        Bytes name(24, 0);
        std::copy_n(e.name.begin(), std::min<std::size_t>(e.name.size(), 24), name.begin());
        dir.bytes(name);
        img.insert(img.end(), e.content.begin(), e.content.end());
        img.resize(img.size() + (sectors * kSector - e.content.size()), 0);
    }
    std::ofstream(gameFolder + "models/gta3.dir", std::ios::binary)
        .write(reinterpret_cast<const char*>(dir.result().data()),
               static_cast<std::streamsize>(dir.size()));
    std::ofstream(gameFolder + "models/gta3.img", std::ios::binary)
        .write(reinterpret_cast<const char*>(img.data()), static_cast<std::streamsize>(img.size()));
}

QRgb faceColour(QRgb pixel) {
    const QRgb palette[] = {kCubeMinusZ, kCubePlusX, kCubePlusZ, kCubeMinusX,
                            kCubePlusY,  kCubeMinusY, 0xFF8CC6FF, 0xFF000000};
    // Brightness taken out: each channel as a share of the brightest.
    const int top = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel), 1});
    const auto norm = [top](int c) { return c * 255 / top; };
    QRgb best = palette[0];
    int bestDistance = INT32_MAX;
    for (QRgb p : palette) {
        const int pt = std::max({qRed(p), qGreen(p), qBlue(p), 1});
        const auto pn = [pt](int c) { return c * 255 / pt; };
        const int dr = norm(qRed(pixel)) - pn(qRed(p)), dg = norm(qGreen(pixel)) - pn(qGreen(p)),
                  db = norm(qBlue(pixel)) - pn(qBlue(p));
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = p;
        }
    }
    return best;
}

}  // namespace vestura::test
