#pragma once

#include <irrlicht.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kinetarium_py {

// Pictures of an arena without a display: a device of the engine's own software renderer
// (Burning's video, on the console device, which needs no X server) draws a copy of the
// arena's scene, made anew for each picture from the arena's meshes, lights and camera.
class ArenaPicture {
public:
    ArenaPicture() = default;
    ~ArenaPicture();
    ArenaPicture(const ArenaPicture&) = delete;
    ArenaPicture& operator=(const ArenaPicture&) = delete;

    // `scene` seen through its active camera: width x height RGB bytes, row by row. Empty
    // with `error` when the renderer cannot be had.
    std::vector<std::uint8_t> draw(irr::scene::ISceneManager* scene, unsigned width, unsigned height,
                                   std::string& error);

private:
    irr::IrrlichtDevice* device = nullptr;
    irr::video::ITexture* target = nullptr;
};

} // namespace kinetarium_py
