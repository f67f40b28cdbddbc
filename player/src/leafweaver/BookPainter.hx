package leafweaver;

import flash.display.GradientType;
import flash.display.Shape;
import flash.display.Sprite;
import flash.geom.Matrix;
import flash.geom.Point;
import leafweaver.Spreads.FlatLayout;

/**
	Draws the open book in book coordinates: the spine (or the single page's
	left edge) at x = 0, pages w by h. The book places this sprite on the
	stage; it decides which pages go where, this only draws them.
**/
class BookPainter extends Sprite {
	/** Blank paper: the back of a page turned in the single-page view. */
	public var paperBack(default, null):PageSlot;

	var w:Float;
	var h:Float;
	var shadowLayer:Shape;
	var flatLayer:Sprite;
	var turnLayer:Sprite;
	var frontMask:Shape;
	var backMask:Shape;
	var shade:Shape;

	public function new(config:BookConfig) {
		super();
		w = config.width;
		h = config.height;
		shadowLayer = new Shape();
		addChild(shadowLayer);
		flatLayer = new Sprite();
		addChild(flatLayer);
		turnLayer = new Sprite();
		addChild(turnLayer);
		frontMask = new Shape();
		backMask = new Shape();
		shade = new Shape();
		paperBack = new PageSlot(-1, "", w, h, config.loaderColor, function(_) {});
		var g = paperBack.holder.graphics;
		g.beginFill(0xF2F2F2);
		g.drawRect(0, 0, w, h);
		g.endFill();
		paperBack.holder.getChildAt(0).alpha = 0.0;
	}

	/** Draws the pages lying flat, the book's shadow and the spine's shading. */
	public function drawFlat(left:Null<PageSlot>, right:Null<PageSlot>, layout:FlatLayout) {
		while (flatLayer.numChildren > 0)
			flatLayer.removeChildAt(0);
		if (left != null)
			lay(left, -w);
		if (right != null)
			lay(right, 0);
		var from = layout.shadowFrom * w, to = layout.shadowTo * w;
		var g = shadowLayer.graphics;
		g.clear();
		if (to <= from)
			return;
		g.beginFill(0x000000, 0.18);
		g.drawRect(from + 3, 3, to - from, h);
		g.endFill();
		if (layout.spine) {
			var m = new Matrix();
			m.createGradientBox(w * 0.08, h, 0, -w * 0.04, 0);
			var sh = new Shape();
			sh.graphics.beginGradientFill(GradientType.LINEAR, [0x000000, 0x000000, 0x000000], [0, 0.12, 0], [0, 128, 255], m);
			sh.graphics.drawRect(Math.max(from, -w * 0.04), 0, Math.min(to, w * 0.04) - Math.max(from, -w * 0.04), h);
			sh.graphics.endFill();
			flatLayer.addChild(sh);
		}
	}

	function lay(s:PageSlot, x:Float) {
		s.showAll();
		s.holder.mask = null;
		s.holder.transform.matrix = new Matrix(1, 0, 0, 1, x, 0);
		flatLayer.addChild(s.holder);
	}

	/** Draws the leaves of a turn for the corner's current place. */
	public function drawTurn(t:Turn, front:Null<PageSlot>, back:Null<PageSlot>, under:Null<PageSlot>) {
		var f = t.fold;
		var dir = t.plan.dir, single = t.plan.single;
		turnLayer.scaleX = dir;
		while (turnLayer.numChildren > 0)
			turnLayer.removeChildAt(0);
		// Placement of a page lying flat, in the turn's coordinates: mirroring
		// the turn layer must not mirror the pages.
		function flat(side:Int):Matrix {
			// side 1: right of the spine, -1: left.
			var m = new Matrix(1, 0, 0, 1, side > 0 ? 0 : -w, 0);
			if (dir < 0)
				m.concat(new Matrix(-1, 0, 0, 1, 0, 0));
			return m;
		}
		if (under != null) {
			under.holder.mask = null;
			under.holder.transform.matrix = single ? new Matrix() : flat(dir);
			turnLayer.addChild(under.holder);
		}
		var fl = f.flatPart();
		var fo = f.foldedPart();
		// Shadow cast by the lifted page on the page underneath.
		if (f.folded && under != null) {
			if (f.foldLine() != null)
				drawShade(shade, f, f.uncoveredPart(), 0.4, w * 0.35);
			turnLayer.addChild(shade);
		}
		if (front != null && fl.length >= 3) {
			front.holder.transform.matrix = single ? new Matrix() : flat(dir);
			turnLayer.addChild(front.holder);
			fill(frontMask, fl);
			turnLayer.addChild(frontMask);
			front.holder.mask = frontMask;
		}
		// The leaves show only what is in sight of them (see PageSlot.showOnly).
		var frontShown = front != null && fl.length >= 3;
		if (frontShown)
			front.showOnly(onSheet(front, fl), null);
		if (under != null)
			under.showOnly(frontShown ? onSheet(under, f.uncoveredPart()) : null, back != null && fo.length >= 3 ? onSheet(under, fo) : null);
		if (back != null && fo.length >= 3) {
			// Back side: the page's final place, mirrored at the spine, then folded over.
			var m = single ? new Matrix(-1, 0, 0, 1, w, 0) : flat(-dir);
			if (!single)
				m.concat(new Matrix(-1, 0, 0, 1, 0, 0));
			var r = f.reflection();
			m.concat(new Matrix(r.a, r.b, r.c, r.d, r.tx, r.ty));
			back.holder.transform.matrix = m;
			turnLayer.addChild(back.holder);
			fill(backMask, fo);
			turnLayer.addChild(backMask);
			back.holder.mask = backMask;
			var bs = new Shape();
			drawShade(bs, f, fo, 0.22, w * 0.25, true);
			turnLayer.addChild(bs);
			back.showOnly(onSheet(back, fo), null);
		}
	}

	/** A polygon of the turn layer in the coordinates of the sheet of `s`, as placed now. */
	static function onSheet(s:PageSlot, poly:Array<Vec2>):Array<Vec2> {
		var m = s.holder.transform.matrix;
		m.invert();
		return [for (p in poly) {
			var q = m.transformPoint(new Point(p.x, p.y));
			new Vec2(q.x, q.y);
		}];
	}

	/** Takes the leaves of a finished turn off the turn layer. */
	public function clearTurn(leaves:Array<Null<PageSlot>>) {
		for (s in leaves) {
			if (s != null) {
				s.showAll();
				s.holder.mask = null;
				if (s.holder.parent != null)
					s.holder.parent.removeChild(s.holder);
			}
		}
		while (turnLayer.numChildren > 0)
			turnLayer.removeChildAt(0);
	}

	static function fill(s:Shape, poly:Array<Vec2>) {
		var g = s.graphics;
		g.clear();
		g.beginFill(0xFF0000);
		outline(g, poly);
		g.endFill();
	}

	/** A gradient from the fold line, dark at the line, fading over `len`. */
	static function drawShade(s:Shape, f:Fold, poly:Array<Vec2>, alpha:Float, len:Float, away:Bool = false) {
		var g = s.graphics;
		g.clear();
		if (poly.length < 3)
			return;
		var n = f.normal();
		if (away) {
			n.x = -n.x;
			n.y = -n.y;
		}
		var mx = (f.c.x + f.p.x) / 2, my = (f.c.y + f.p.y) / 2;
		var k = len / 1638.4;
		var m = new Matrix(n.x * k, n.y * k, -n.y * k, n.x * k, mx + n.x * len / 2, my + n.y * len / 2);
		g.beginGradientFill(GradientType.LINEAR, [0x000000, 0x000000], [alpha, 0], [0, 255], m);
		outline(g, poly);
		g.endFill();
	}

	static function outline(g:flash.display.Graphics, poly:Array<Vec2>) {
		g.moveTo(poly[0].x, poly[0].y);
		for (i in 1...poly.length)
			g.lineTo(poly[i].x, poly[i].y);
		g.lineTo(poly[0].x, poly[0].y);
	}
}
