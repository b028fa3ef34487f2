"""Turns a Theme into the files of one skin folder: skin.ini and its BMPs."""

from theme import r2s
from raster import ini_colour
import bmpfile

PICTURE_BUTTONS, PICTURE_CONTROLS, PICTURE_HINT, PICTURE_POPUP, PICTURE_MENU, PICTURE_HINT_MASK = \
    0, 1, 2, 3, 4, 5
NONE = "0,0,0,0"


class Ini:
    def __init__(self):
        self.sections = []

    def section(self, name, pairs):
        self.sections.append((name, pairs))

    def text(self):
        lines = []
        for name, pairs in self.sections:
            lines.append(f"[{name}]")
            for k, v in pairs:
                lines.append(f"{k}={v}")
            lines.append("")
        body = "\r\n".join(lines) + "\r\n"
        body.encode("ascii")  # the INI is system code page text: keep it ASCII
        return body


def flag(b):
    return "1" if b else "0"


def font_keys(name, height, style, colour):
    return [("fontname", name), ("fontheight", str(height)), ("fontstyle", style),
            ("fontcolor", ini_colour(colour))]


def custom_keys(picture, skinrect, lt, rt, lb, rb, client, stretch=False,
                edges=False, stretchtype="stfull", mask=-1):
    return [("pictureindex", str(picture)), ("maskpictureindex", str(mask)),
            ("skinrect", r2s(skinrect)),
            ("lefttoppoint", r2s(lt)), ("righttoppoint", r2s(rt)),
            ("leftbottompoint", r2s(lb)), ("rightbottompoint", r2s(rb)),
            ("clientrect", r2s(client)),
            ("leftstretch", flag(edges)), ("topstretch", flag(edges)),
            ("rightstretch", flag(edges)), ("bottomstretch", flag(edges)),
            ("stretcheffect", flag(stretch)), ("stretchtype", stretchtype)]


def box_geometry(r, inset=3):
    """Corner points and client rect cutting a framed box into nine slices."""
    w, h = r[2] - r[0], r[3] - r[1]
    return dict(lt=(inset, inset), rt=(w - inset, inset), lb=(inset, h - inset),
                rb=(w - inset, h - inset), client=(inset - 1, inset - 1, w - inset + 1,
                                                    h - inset + 1))


def object_base(hint, picture, inapicture, skinrect, active, inactive, morphing):
    return [("hint", hint), ("activepictureindex", str(picture)),
            ("activemaskpictureindex", "-1"), ("skinrectinapicture", flag(inapicture)),
            ("skinrect", skinrect), ("activeskinrect", active),
            ("inactiveskinrect", inactive), ("morphing", flag(morphing)),
            ("morphkind", "mkdefault"), ("glowlayerpictureindex", "-1"),
            ("glowlayermaskpictureindex", "-1"), ("glowlayeroffsetx", "0"),
            ("glowlayeroffsety", "0"), ("glowlayeralphablendvalue", "255")]


def build(theme):
    """Return ({file name: BMP bytes}, INI text, {file name: Image}) of one skin."""
    t = theme
    images = {}
    depth = {}

    frame = t.paint_frame(True)
    images["frame.bmp"], depth["frame.bmp"] = frame, t.frame_bits
    inactive = None
    if t.has_mask:
        images["mask.bmp"], depth["mask.bmp"] = t.paint_mask(), 1
    else:
        inactive = t.paint_frame(False)
        images["frame_inactive.bmp"], depth["frame_inactive.bmp"] = inactive, t.frame_bits

    buttons, layout = t.paint_buttons(frame, inactive)
    active_names = ["buttons.bmp", "controls.bmp", "hint.bmp"]
    images["buttons.bmp"], depth["buttons.bmp"] = buttons, t.buttons_bits
    images["controls.bmp"], depth["controls.bmp"] = t.paint_controls(), t.controls_bits
    images["hint.bmp"], depth["hint.bmp"] = t.paint_hint(), t.hint_bits
    active_names += ["popup.bmp", "menuitems.bmp"]
    images["popup.bmp"], depth["popup.bmp"] = t.paint_popup(), t.hint_bits
    images["menuitems.bmp"], depth["menuitems.bmp"] = t.paint_menu_items(), t.controls_bits
    hint_mask = -1
    if t.hint_radius > 0:
        active_names.append("hintmask.bmp")
        images["hintmask.bmp"], depth["hintmask.bmp"] = t.paint_hint_mask(), 1
        hint_mask = PICTURE_HINT_MASK

    ini = Ini()
    ini.section("VERSION", [
        ("ver", "3"), ("skinname", t.title), ("skinauthor", "Halvex Update artwork"),
        ("authoremail", ""), ("authorurl", ""), ("skincomments", t.comments)])

    pictures = [("picture", "frame.bmp")]
    if t.has_mask:
        pictures += [("inactivepicture", ""), ("mask", "mask.bmp")]
    else:
        pictures += [("inactivepicture", "frame_inactive.bmp"), ("mask", "")]
    pictures.append(("activepicturescount", str(len(active_names))))
    pictures += [(str(i), n) for i, n in enumerate(active_names)]
    ini.section("PICTURES", pictures)

    l, tp, r, b = t.client
    hi = t.hit_inset
    ini.section("FORMINFO", [
        ("lefttoppoint", r2s(t.corner_lt)), ("righttoppoint", r2s(t.corner_rt)),
        ("leftbottompoint", r2s(t.corner_lb)), ("rightbottompoint", r2s(t.corner_rb)),
        ("clientrect", r2s(t.client)),
        ("bgpictureindex", "-1"), ("mdibgpictureindex", "-1"),
        ("leftstretch", "0"), ("rightstretch", "0"), ("topstretch", "0"),
        ("bottomstretch", "0"), ("stretcheffect", "0"), ("stretchtype", "stfull"),
        ("mdibgstretcheffect", "0"), ("mdibgstretchtype", "stfull"),
        ("maskrectarea", r2s(t.client) if t.has_mask else NONE),
        ("hittestlefttoppoint", r2s((hi, hi))),
        ("hittestrighttoppoint", r2s((t.pw - hi, hi))),
        ("hittestleftbottompoint", r2s((hi, t.ph - hi))),
        ("hittestrightbottompoint", r2s((t.pw - hi, t.ph - hi))),
        ("buttonsrect", NONE), ("captionrect", r2s(t.caption)),
        ("buttonsoffset", str(t.buttons_offset)), ("buttonsinleft", flag(t.buttons_in_left)),
        ("mainmenupopupup", "0"), ("borderwidth", str(t.borderwidth)),
        ("formminwidth", str(t.form_min[0])), ("formminheight", str(t.form_min[1])),
        ("mditabstransparent", "0"), ("mainmenubartransparent", "0"),
        ("autorenderinginactiveimage", "0"), ("inactiveeffect", "iebrightness")])

    hw, hh = t.hint_size
    ini.section("HINTWINDOW", [
        ("windowpictureindex", str(PICTURE_HINT)), ("maskpictureindex", str(hint_mask)),
        ("lefttoppoint", r2s((6, 6))), ("righttoppoint", r2s((hw - 6, 6))),
        ("leftbottompoint", r2s((6, hh - 6))), ("rightbottompoint", r2s((hw - 6, hh - 6))),
        ("clientrect", r2s((5, 4, hw - 5, hh - 4)))]
        + font_keys(t.font, 13, "", t.hint_text)
        + [("leftstretch", "1"), ("rightstretch", "1"), ("topstretch", "1"),
           ("bottomstretch", "1"), ("stretcheffect", "1"), ("stretchtype", "stfull")])

    pw_, ph_ = t.popup_size
    ini.section("POPUPWINDOW", [
        ("windowpictureindex", str(PICTURE_POPUP)), ("maskpictureindex", "-1"),
        ("lefttoppoint", r2s((4, 4))), ("righttoppoint", r2s((pw_ - 4, 4))),
        ("leftbottompoint", r2s((4, ph_ - 4))), ("rightbottompoint", r2s((pw_ - 4, ph_ - 4))),
        ("itemsrect", r2s((2, 2, pw_ - 2, ph_ - 2))),
        ("scrollmarkercolor", ini_colour(t.text)),
        ("scrollmarkeractivecolor", ini_colour(t.accent)),
        ("leftstretch", "0"), ("rightstretch", "0"), ("topstretch", "0"),
        ("bottomstretch", "0"), ("stretcheffect", "0"), ("stretchtype", "stfull")])

    ini.section("SKINCOLORS", [
        ("cbtnface", ini_colour(t.face)), ("cbtntext", ini_colour(t.text)),
        ("cwindow", ini_colour(t.window)), ("cwindowtext", ini_colour(t.window_text)),
        ("chighlight", ini_colour(t.highlight)),
        ("chighlighttext", ini_colour(t.highlight_text)),
        ("cbtnhighlight", ini_colour(t.btn_highlight)),
        ("cbtnshadow", ini_colour(t.btn_shadow))])

    _objects(ini, t, layout)
    _menu_item(ini, t)
    _controls(ini, t)

    files = {name: bmpfile.encode(img, depth[name]) for name, img in images.items()}
    return files, ini.text(), images


def _objects(ini, t, layout):
    def cell(row, st):
        return r2s(layout[(row, st)])

    objects = [("caption", "caption"), ("closebutton", "stdbutton"),
               ("maxbutton", "stdbutton"), ("minbutton", "stdbutton"),
               ("rollupbutton", "stdbutton"), ("sysmenubutton", "stdbutton"),
               ("menuitem", "menuitem")]
    ini.section("SKINOBJECTS", [("count", str(len(objects)))]
                + [(str(i), f"{n}:{c}") for i, (n, c) in enumerate(objects)])

    cx0, cy0, cx1, cy1 = t.caption
    light = t.caption_light
    shadow = t.caption_shadow
    ini.section("caption", object_base("", -1, False, r2s(t.caption), NONE, NONE, False) + [
        ("textrect", r2s((4, 0, cx1 - cx0 - 4, cy1 - cy0))),
        ("fontname", t.caption_font), ("fontheight", str(t.caption_height)),
        ("fontstyle", t.caption_style), ("fontcolor", ini_colour(t.caption_colour)),
        ("activefontcolor", ini_colour(t.caption_active_colour)),
        ("alignment", t.caption_alignment),
        ("light", flag(light)), ("lightcolor", ini_colour(light[0] if light else (0, 0, 0))),
        ("activelightcolor", ini_colour(light[1] if light else (0, 0, 0))),
        ("shadow", flag(shadow)), ("shadowcolor", ini_colour(shadow[0] if shadow else (0, 0, 0))),
        ("activeshadowcolor", ini_colour(shadow[1] if shadow else (0, 0, 0))),
        ("framerect", NONE), ("activeframerect", NONE), ("frametextrect", NONE),
        ("frameleftoffset", "0"), ("framerightoffset", "0"), ("stretcheffect", "0"),
        ("animateskinrect", NONE), ("framecount", "0"), ("animateinterval", "25"),
        ("inactiveanimation", "0"), ("fullframe", "0"),
        ("vistagloweffect", "0"), ("vistaglowinactiveeffect", "0"),
        ("gloweffect", "0"), ("glowinactiveeffect", "0"), ("glowsize", "3"),
        ("glowcolor", "0"), ("glowactivecolor", "0"), ("glowoffset", "0"),
        ("reflectioneffect", "0"), ("reflactioncolor", "0"), ("reflactionactivecolor", "0"),
        ("reflectionoffset", "0"), ("dividerrect", NONE), ("inactivedividerrect", NONE),
        ("dividertransparent", "0"), ("dividertransparentcolor", "0"),
        ("quickbuttonalphamaskpictureindex", "-1")])

    buttons = [("closebutton", "Close", "cmclose", "close", None),
               ("maxbutton", "Maximize", "cmmaximize", "max", "restore"),
               ("minbutton", "Minimize", "cmminimize", "min", "minrestore"),
               ("rollupbutton", "Roll Up", "cmrollup", "rollup", "rolldown"),
               ("sysmenubutton", "System menu", "cmsysmenu", "sysmenu", None)]
    for name, hint, command, row, alt in buttons:
        keys = object_base(hint, 0, True, cell(row, "normal"), cell(row, "hot"),
                           cell(row, "inactive"), True)
        keys += [("downrect", cell(row, "pressed")), ("disableskinrsect", NONE),
                 ("alphamaskpictureindex", "-1"), ("alphamaskactivepictureindex", "-1"),
                 ("alphamaskinactivepictureindex", "-1"), ("command", command)]
        if alt:
            keys += [("restorerect", cell(alt, "normal")),
                     ("restoreactiverect", cell(alt, "hot")),
                     ("restoredownrect", cell(alt, "pressed")),
                     ("restoreinactiverect", cell(alt, "inactive")),
                     ("restorehint", "Restore")]
        else:
            keys += [("restorerect", NONE), ("restoreactiverect", NONE),
                     ("restoredownrect", NONE), ("restoreinactiverect", NONE),
                     ("restorehint", "")]
        ini.section(name, keys)


def _menu_item(ini, t):
    def cell(i):
        y = t.MENU_MARKS_Y
        return r2s((16 * i, y, 16 * i + 16, y + 16))
    x0, y0, x1, y1 = t.MENU_ITEM
    ini.section("menuitem", object_base("", PICTURE_MENU, True, r2s(t.MENU_ITEM),
                                        r2s(t.MENU_ACTIVE), NONE, False) + [
        ("itemleftoffset", "4"), ("itemrightoffset", "4"),
        ("dividerrect", r2s(t.MENU_DIVIDER)), ("dividerleftoffset", "4"),
        ("dividerrightoffset", "4"), ("textrect", r2s((24, 0, x1 - x0 - 16, y1 - y0))),
        ("imagerect", r2s((2, 2, 18, 18)))]
        + font_keys(t.font, 13, "", t.text)
        + [("activefontcolor", ini_colour(t.text)),
           ("unenabledfontcolor", ini_colour(t.btn_shadow)),
           ("stretcheffect", "1"), ("inactivestretcheffect", "1"),
           ("dividerstretcheffect", "1"), ("animateskinrect", NONE), ("framecount", "0"),
           ("animateinterval", "25"), ("inactiveanimation", "0"), ("useimagecolor", "0"),
           ("imagecolor", ini_colour(t.text)), ("activeimagecolor", ini_colour(t.text)),
           ("inactivetransparent", "1"),
           ("checkimagerect", cell(0)), ("activecheckimagerect", cell(1)),
           ("radioimagerect", cell(2)), ("activeradioimagerect", cell(3)),
           ("arrowimagerect", cell(4)), ("activearrowimagerect", cell(5))])


def _controls(ini, t):
    C = PICTURE_CONTROLS
    controls = [("panel", "panel"), ("toolpanel", "panel"), ("statusbar", "panel"),
                ("groupbox", "panel"), ("statuspanel", "label"), ("label", "label"),
                ("stdlabel", "stdlabel"), ("statusgauge", "gauge"), ("gauge", "gauge"),
                ("button", "button"), ("checkbox", "checkradio"), ("radiobox", "checkradio"),
                ("edit", "edit"), ("memo", "memo"), ("listbox", "listbox"),
                ("hscrollbar", "scrollbar"), ("vscrollbar", "scrollbar"),
                ("bothhscrollbar", "scrollbar"), ("bevel", "bevel")]
    ini.section("SKINCONTROLS", [("count", str(len(controls)))]
                + [(str(i), f"{n}:{c}") for i, (n, c) in enumerate(controls)])

    def panel(name, r, caption=(0, 0, 0, 0)):
        g = box_geometry(r)
        ini.section(name, custom_keys(C, r, g["lt"], g["rt"], g["lb"], g["rb"], g["client"])
                    + [("bgpictureindex", "-1"), ("captionrect", r2s(caption)),
                       ("alignment", "taleftjustify")]
                    + font_keys(t.font, 13, "", t.text)
                    + [("checkimagerect", NONE), ("uncheckimagerect", NONE),
                       ("markframerect", NONE), ("framerect", NONE), ("frametextrect", NONE),
                       ("frameleftoffset", "0"), ("framerightoffset", "0"),
                       ("gripperrect", NONE), ("grippertransparent", "0"),
                       ("grippertransparentcolor", "0"), ("buttonrect", NONE),
                       ("buttonactiverect", NONE), ("buttondownrect", NONE),
                       ("buttontransparent", "0"), ("buttontransparentcolor", "0")])

    panel("panel", t.PANEL)
    panel("toolpanel", t.TOOLPANEL)
    panel("statusbar", t.STATUSBAR)
    gx0, gy0, gx1, gy1 = t.GROUPBOX
    panel("groupbox", t.GROUPBOX, caption=(0, 0, gx1 - gx0, 12))

    sx0, sy0, sx1, sy1 = t.STATUS
    sw, sh = sx1 - sx0, sy1 - sy0
    # The status panel is a horizontal strip: fixed caps left of 4 and right
    # of 37, content inset by the divider column and the top and bottom lines.
    ini.section("statuspanel", custom_keys(C, t.STATUS, (4, 12), (37, 8), (0, 0), (0, 0),
                                           (3, 1, 42, 18))
                + font_keys(t.font, 13, "", t.status_text))
    ini.section("label", [("pictureindex", "-1"), ("maskpictureindex", "-1"),
                          ("skinrect", NONE), ("lefttoppoint", "0,0"),
                          ("righttoppoint", "0,0"), ("leftbottompoint", "0,0"),
                          ("rightbottompoint", "0,0"), ("clientrect", NONE),
                          ("leftstretch", "0"), ("topstretch", "0"), ("rightstretch", "0"),
                          ("bottomstretch", "0"), ("stretcheffect", "0"),
                          ("stretchtype", "stfull")]
                + font_keys(t.font, 13, "", t.text))
    ini.section("stdlabel", [("pictureindex", "-1"), ("maskpictureindex", "-1"),
                             ("skinrect", NONE)]
                + font_keys(t.font, 13, "", t.text)
                + [("activefontcolor", ini_colour(t.accent))])

    px0, py0, px1, py1 = t.PROGRESS
    pw = px1 - px0
    if t.progress_animation:
        anim = (t.ANIM_X, py0, t.ANIM_X + pw * t.anim_frames, py1)
        frames, interval = t.anim_frames, 60
    else:
        anim, frames, interval = (0, 0, 0, 0), 0, 0

    def gauge(name, skinrect, area, text_colour):
        ini.section(name, custom_keys(C, skinrect, (4, 9), (34, 9), (0, 0), (0, 0),
                                      (0, 0, sw, sh))
                    + [("progressarea", r2s(area)), ("progressrect", r2s(t.PROGRESS)),
                       ("beginoffset", "3"), ("endoffset", "3"), ("vertical", "0")]
                    + font_keys(t.font, 13, "", text_colour)
                    + [("progresstransparent", "0"), ("progresstransparentcolor", "0"),
                       ("progressstretch", "1"), ("animationskinrect", NONE),
                       ("animationcountframes", "0"), ("animationtimerinterval", "0"),
                       ("animationbeginoffset", "0"), ("animationendoffset", "0"),
                       ("progressanimationskinrect", r2s(anim)),
                       ("progressanimationcountframes", str(frames)),
                       ("progressanimationtimerinterval", str(interval))])

    # The window's gauge sits on the white client area, not in the status strip: its own light
    # track, so that an empty gauge looks empty. The bar covers the whole track when full.
    gauge("statusgauge", t.TRACK, (0, 0, sw, sh), t.gauge_text)
    gauge("gauge", t.TRACK, (1, 1, sw - 1, sh - 1), t.gauge_text)

    bx0, by0, bx1, by1 = t.BUTTON
    g = box_geometry(t.BUTTON, 4)

    def shifted(i):
        return r2s((bx0, by0 + 24 * i, bx1, by1 + 24 * i))

    ini.section("button", custom_keys(C, t.BUTTON, g["lt"], g["rt"], g["lb"], g["rb"],
                                      g["client"], stretch=True)
                + font_keys(t.font, 13, "", t.text)
                + [("activefontcolor", ini_colour(t.text)), ("downfontcolor", ini_colour(t.text)),
                   ("disabledfontcolor", ini_colour(t.btn_shadow)),
                   ("activeskinrect", shifted(1)), ("downskinrect", shifted(2)),
                   ("focusedskinrect", shifted(3)), ("disabledskinrect", shifted(4)),
                   ("morphing", "1"), ("morphkind", "mkdefault"),
                   ("animateskinrect", NONE), ("framecount", "0"), ("animateinterval", "25"),
                   ("showfocus", "0"), ("menumarkerflatrect", NONE), ("menumarkerrect", NONE),
                   ("menumarkeractiverect", NONE), ("menumarkerdownrect", NONE),
                   ("menumarkertransparentcolor", "0"),
                   ("glowlayerpictureindex", "-1"), ("glowlayermaskpictureindex", "-1"),
                   ("glowlayeroffsetleft", "0"), ("glowlayeroffsettop", "0"),
                   ("glowlayeroffsetright", "0"), ("glowlayeroffsetbottom", "0"),
                   ("glowlayershowoffsetx", "0"), ("glowlayershowoffsety", "0"),
                   ("glowlayeralphablendvalue", "255")])

    cbx0, cby0, cbx1, cby1 = t.CHECK_BG
    for name, y in (("checkbox", t.CHECKS_Y), ("radiobox", t.CHECKS_Y + 16)):
        def c(i):
            return r2s((4 + 15 * i, y, 17 + 15 * i, y + 13))
        ini.section(name, custom_keys(C, t.CHECK_BG, (0, 0), (0, 0), (0, 0), (0, 0),
                                      (0, 0, cbx1 - cbx0, cby1 - cby0))
                    + font_keys(t.font, 13, "", t.text)
                    + [("activefontcolor", ini_colour(t.text)),
                       ("unenabledfontcolor", ini_colour(t.btn_shadow)),
                       ("framefontcolor", ini_colour(t.text)), ("activeskinrect", NONE),
                       ("checkimagearea", r2s((0, 2, 13, 15))),
                       ("textarea", r2s((17, 0, cbx1 - cbx0, cby1 - cby0))),
                       ("checkimagerect", c(0)), ("uncheckimagerect", c(1)),
                       ("activecheckimagerect", c(2)), ("activeuncheckimagerect", c(3)),
                       ("unenabledcheckimagerect", c(4)), ("unenableduncheckimagerect", c(5)),
                       ("grayedcheckimagerect", c(6)), ("activegrayedcheckimagerect", c(7)),
                       ("morphing", "0"), ("morphkind", "mkdefault")])

    g = box_geometry(t.EDIT)
    edit_keys = (custom_keys(C, t.EDIT, g["lt"], g["rt"], g["lb"], g["rb"], g["client"])
                 + [("activeskinrect", r2s(t.EDIT_ACTIVE))]
                 + font_keys(t.font, 13, "", t.window_text)
                 + [("disabledfontcolor", ini_colour(t.btn_shadow)),
                    ("activefontcolor", ini_colour(t.window_text)),
                    ("buttonrect", NONE), ("activebuttonrect", NONE),
                    ("downbuttonrect", NONE), ("unenabledbuttonrect", NONE)])
    ini.section("edit", edit_keys)
    ini.section("memo", edit_keys + [("bgcolor", ini_colour(t.window)),
                                     ("activebgcolor", ini_colour(t.window))])

    g = box_geometry(t.LISTBOX)
    lx0, ly0, lx1, ly1 = t.LIST_ITEM
    ini.section("listbox", custom_keys(C, t.LISTBOX, g["lt"], g["rt"], g["lb"], g["rb"],
                                       g["client"])
                + [("itemrect", r2s(t.LIST_ITEM)), ("activeitemrect", r2s(t.LIST_ACTIVE)),
                   ("focusitemrect", r2s(t.LIST_FOCUS)), ("itemleftoffset", "1"),
                   ("itemrightoffset", "1"),
                   ("itemtextrect", r2s((3, 0, lx1 - lx0 - 3, ly1 - ly0)))]
                + font_keys(t.font, 13, "", t.window_text)
                + [("activefontcolor", ini_colour(t.highlight_text)),
                   ("focusfontcolor", ini_colour(t.highlight_text)),
                   ("captionrect", NONE), ("captionfontname", t.font),
                   ("captionfontheight", "13"), ("captionfontstyle", ""),
                   ("captionfontcolor", ini_colour(t.text)),
                   ("upbuttonrect", NONE), ("activeupbuttonrect", NONE),
                   ("downupbuttonrect", NONE), ("downbuttonrect", NONE),
                   ("activedownbuttonrect", NONE), ("downdownbuttonrect", NONE),
                   ("checkbuttonrect", NONE), ("activecheckbuttonrect", NONE),
                   ("downcheckbuttonrect", NONE), ("vscrollbarname", "vscrollbar"),
                   ("hscrollbarname", "hscrollbar"), ("bothhscrollbarname", "bothhscrollbar"),
                   ("showfocus", "1"), ("disabledbuttonsrect", NONE), ("buttonsarea", NONE)])

    arrows = t.arrow_cells()
    thumbs = t.thumb_cells()

    def scrollbar(name, r, first, second, axis):
        w, h = r[2] - r[0], r[3] - r[1]
        if axis == "h":
            lt, rt, lb, rb = (17, 0), (w - 17, 0), (0, 0), (0, 0)
            track = (17, 0, w - 17, h)
        else:
            lt, rt, lb, rb = (0, 17), (0, 0), (0, h - 17), (0, 0)
            track = (0, 17, w, h - 17)
        ini.section(name, custom_keys(C, r, lt, rt, lb, rb, (0, 0, w, h), stretch=True)
                    + [("trackarea", r2s(track)),
                       ("upbuttonrect", r2s(arrows[(first, "normal")])),
                       ("activeupbuttonrect", r2s(arrows[(first, "hot")])),
                       ("downupbuttonrect", r2s(arrows[(first, "pressed")])),
                       ("downbuttonrect", r2s(arrows[(second, "normal")])),
                       ("activedownbuttonrect", r2s(arrows[(second, "hot")])),
                       ("downdownbuttonrect", r2s(arrows[(second, "pressed")])),
                       ("thumbrect", r2s(thumbs[(axis, "normal")])),
                       ("activethumbrect", r2s(thumbs[(axis, "hot")])),
                       ("downthumbrect", r2s(thumbs[(axis, "pressed")])),
                       ("thumboffset1", "4"), ("thumboffset2", "4"),
                       ("thumbtransparent", "0"), ("thumbtransparentcolor", "0"),
                       ("thumbstretcheffect", "1"), ("thumbminsize", "12"),
                       ("thumbminpagesize", "0"), ("glyphrect", NONE),
                       ("activeglyphrect", NONE), ("downglyphrect", NONE),
                       ("glyphtransparent", "0"), ("glyphtransparentcolor", "0")])

    scrollbar("hscrollbar", t.HSCROLL, "left", "right", "h")
    scrollbar("vscrollbar", t.VSCROLL, "up", "down", "v")
    scrollbar("bothhscrollbar", t.HSCROLL, "left", "right", "h")

    ini.section("bevel", [("pictureindex", "-1"), ("maskpictureindex", "-1"),
                          ("skinrect", NONE), ("lightcolor", ini_colour(t.btn_highlight)),
                          ("darkcolor", ini_colour(t.btn_shadow))])
