#include "ArenaPicture.h"

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

using namespace irr;

namespace kinetarium_py {

namespace {

// The console device greets and leaves the terminal with escape codes on standard output
// and takes over Ctrl-C: neither may reach the Python process that hosts it.
class QuietConsole {
public:
    QuietConsole()
    {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY);
        if (saved >= 0 && nowhere >= 0)
            dup2(nowhere, STDOUT_FILENO);
        if (nowhere >= 0)
            close(nowhere);
        for (int i = 0; i < 3; ++i)
            sigaction(SIGNALS[i], nullptr, &handlers[i]);
    }
    ~QuietConsole()
    {
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
        for (int i = 0; i < 3; ++i)
            sigaction(SIGNALS[i], &handlers[i], nullptr);
    }

private:
    static constexpr int SIGNALS[3] = {SIGINT, SIGTERM, SIGABRT};
    int saved = -1;
    struct sigaction handlers[3];
};

// A copy of `node` and its children that the other scene can draw: the same meshes and
// pose, the materials without the textures, which belong to the other driver.
void copyNode(scene::ISceneNode* node, scene::ISceneManager* into)
{
    if (!node->isVisible())
        return;
    scene::IMesh* mesh = nullptr;
    switch (node->getType()) {
    case scene::ESNT_ANIMATED_MESH:
        if (scene::IAnimatedMesh* animated = static_cast<scene::IAnimatedMeshSceneNode*>(node)->getMesh())
            mesh = animated->getMesh(0);
        break;
    case scene::ESNT_MESH:
    case scene::ESNT_CUBE:
    case scene::ESNT_SPHERE:
        mesh = static_cast<scene::IMeshSceneNode*>(node)->getMesh();
        break;
    case scene::ESNT_LIGHT: {
        scene::ILightSceneNode* light = into->addLightSceneNode(nullptr, node->getAbsolutePosition());
        light->setLightData(static_cast<scene::ILightSceneNode*>(node)->getLightData());
        break;
    }
    default:
        break;
    }
    if (mesh) {
        node->updateAbsolutePosition();
        const core::matrix4& pose = node->getAbsoluteTransformation();
        scene::IMeshSceneNode* copy = into->addMeshSceneNode(mesh, nullptr, -1, pose.getTranslation(),
                                                             pose.getRotationDegrees(), pose.getScale());
        copy->setReadOnlyMaterials(false);
        for (u32 i = 0; i < node->getMaterialCount() && i < copy->getMaterialCount(); ++i) {
            video::SMaterial material = node->getMaterial(i);
            for (u32 layer = 0; layer < video::MATERIAL_MAX_TEXTURES; ++layer)
                material.TextureLayer[layer].Texture = nullptr;
            copy->getMaterial(i) = material;
        }
    }
    for (scene::ISceneNode* child : node->getChildren())
        copyNode(child, into);
}

} // namespace

ArenaPicture::~ArenaPicture()
{
    if (device) {
        QuietConsole quiet;
        device->drop();
    }
}

std::vector<std::uint8_t> ArenaPicture::draw(scene::ISceneManager* scene, unsigned width, unsigned height,
                                             std::string& error)
{
    if (!device) {
        QuietConsole quiet;
        SIrrlichtCreationParameters parameters;
        parameters.DeviceType = EIDT_CONSOLE;
        parameters.DriverType = video::EDT_BURNINGSVIDEO;
        parameters.WindowSize = core::dimension2du(16, 16);
        parameters.LoggingLevel = ELL_ERROR;
        device = createDeviceEx(parameters);
        if (!device) {
            error = "the engine's software renderer cannot be started";
            return {};
        }
    }
    video::IVideoDriver* driver = device->getVideoDriver();
    if (!target || target->getSize() != core::dimension2du(width, height)) {
        if (target)
            driver->removeTexture(target);
        target = driver->addRenderTargetTexture(core::dimension2du(width, height), "picture", video::ECF_A8R8G8B8);
        if (!target) {
            error = "the software renderer cannot make a picture of " + std::to_string(width) + "x"
                + std::to_string(height);
            return {};
        }
    }

    scene::ISceneManager* copy = device->getSceneManager();
    copy->clear();
    for (scene::ISceneNode* node : scene->getRootSceneNode()->getChildren())
        copyNode(node, copy);
    if (scene::ICameraSceneNode* camera = scene->getActiveCamera()) {
        camera->updateAbsolutePosition();
        scene::ICameraSceneNode* view = copy->addCameraSceneNode(nullptr, camera->getAbsolutePosition(),
                                                                 camera->getTarget());
        view->setFOV(camera->getFOV());
        view->setNearValue(camera->getNearValue());
        view->setFarValue(camera->getFarValue());
        view->setAspectRatio(static_cast<f32>(width) / static_cast<f32>(height));
    }

    // Drawn into the picture alone: the frame's end would show the back buffer on the console.
    const video::SColor background(255, 0, 0, 0);
    driver->beginScene(true, true, background);
    driver->setRenderTarget(target, true, true, background);
    copy->drawAll();
    driver->setRenderTarget(nullptr, false, false);

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    const auto* rows = static_cast<const std::uint8_t*>(target->lock(video::ETLM_READ_ONLY));
    if (!rows) {
        error = "the software renderer's picture cannot be read";
        return {};
    }
    const u32 pitch = target->getPitch();
    for (unsigned y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const u32*>(rows + static_cast<std::size_t>(y) * pitch);
        for (unsigned x = 0; x < width; ++x) {
            const video::SColor colour(row[x]);
            std::uint8_t* out = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            out[0] = static_cast<std::uint8_t>(colour.getRed());
            out[1] = static_cast<std::uint8_t>(colour.getGreen());
            out[2] = static_cast<std::uint8_t>(colour.getBlue());
        }
    }
    target->unlock();
    copy->clear();
    return pixels;
}

} // namespace kinetarium_py
