#include "shadow/shadow_pass.h"

#include "app/program_state.h"
#include "scene/display_lists.h"

void drawTeapotCaster() {
    glPushMatrix();
    glTranslatef(programState.teapotOffsetX + 15.0f, -10.0f, -345.0f);
    glCallList(LIST_WIRE_TEAPOT);
    glPopMatrix();
}

void drawShadowedReceiver(GLuint receiverList, GLuint occluderList,
                          const ShadowMatrix& shadowMatrix, bool lightInFront) {
    // 1. Draw the receiver lit, and mark every pixel where it is visible with stencil 1.
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glCallList(receiverList);

    // 2. The flattened casters lie exactly in the receiver's plane, so the depth test
    // would fight over their pixels: switch it off, and let them touch only the stencil.
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    // Only marked pixels may take a shadow; a covered mark is cleared to 0.
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);

    // 3. Flatten the casters onto the plane along the light's rays.
    if (lightInFront) {
        glPushMatrix();
        glMultMatrixf(shadowMatrix.m);
        drawTeapotCaster();
        // Cone and sphere get the matrix twice. M·M = dot·M, and dot > 0 here, so
        // they land on the same pixels as under M once.
        glMultMatrixf(shadowMatrix.m);
        glCallList(occluderList);
        glPopMatrix();
    }

    // 4. Draw the receiver again in unlit black, only where it was marked and a caster
    // cleared the mark. GL_LEQUAL lets it pass on the depth it stored itself in step 1.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_LIGHTING);
    glStencilFunc(GL_EQUAL, 0, 1);
    glColor3f(0.0f, 0.0f, 0.0f);
    glCallList(receiverList);

    // 5. Give the caller back the state it expects.
    glEnable(GL_LIGHTING);
    glDepthFunc(GL_LESS);
    glDisable(GL_STENCIL_TEST);
}
