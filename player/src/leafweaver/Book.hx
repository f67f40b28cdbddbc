package leafweaver;

import flash.display.GradientType;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.geom.Matrix;
import flash.geom.Point;
import flash.Lib;

/** A page turn in progress. Coordinates are those of `Fold`. */
private class Turn {
	public var fold:Fold;
	/** 1: the right-hand page turns to the left; -1: the left-hand page turns right. */
	public var dir:Int;
	public var front:Null<PageSlot>;
	public var back:Null<PageSlot>;
	public var under:Null<PageSlot>;
	/** Page shown first once the turn is complete. */
	public var target:Int;
	/** Where the corner rests when the turn is undone, and when it is complete. */
	public var rest:Vec2;
	public var done:Vec2;
	/** Completing the turn means bringing the corner to `rest` (single-page view, going back). */
	public var reverse:Bool = false;
	public var dragging:Bool = false;
	public var animating:Bool = false;
	public var from:Vec2;
	public var to:Vec2;
	public var t0:Float = 0;
	public var duration:Float = 0;
	public var commit:Bool = false;
	public var lift:Bool = false;

	public function new() {}
}

/**
	The open book: lays out the visible pages, turns them, and keeps only
	the pages near the open spread loaded.
**/
class Book extends Sprite {
	/** Spreads on either side of the open one whose pages are kept loaded. */
	public static inline var KEEP_SPREADS = 2;
	static inline var MAX_PARALLEL_LOADS = 4;
	static inline var TURN_SECONDS = 0.42;
	static var ZOOMS:Array<Float> = [1, 1.5, 2, 3, 4];

	public var config(default, null):BookConfig;
	public var pageCount(default, null):Int;
	/** First visible page (0-based). */
	public var page(default, null):Int = 0;
	public var single(default, null):Bool = false;
	public var zoomLevel(default, null):Int = 0;
	public var turning(get, never):Bool;
	/** Called whenever the open page, the view or a page load changes. */
	public var onChange:Void->Void;
	/** Called once a turn has settled, with the first visible page. */
	public var onTurned:Int->Void;
	public var onPageSettled:PageSlot->Void;

	var baseUrl:String;
	var slots:Map<Int, PageSlot> = new Map();
	var layer:Sprite; // book coordinates: spine (or the single page's left edge) at x = 0
	var shadowLayer:Shape;
	var flatLayer:Sprite;
	var turnLayer:Sprite;
	var frontMask:Shape;
	var backMask:Shape;
	var shade:Shape;
	var paperBack:PageSlot;
	var turn:Null<Turn>;
	var viewX:Float = 0;
	var viewY:Float = 0;
	var viewW:Float = 100;
	var viewH:Float = 100;
	var panX:Float = 0;
	var panY:Float = 0;
	var baseScale:Float = 1;
	var laidOut:Bool = false;

	public function new(config:BookConfig, baseUrl:String) {
		super();
		this.config = config;
		this.baseUrl = baseUrl;
		pageCount = config.pages.length;
		layer = new Sprite();
		addChild(layer);
		shadowLayer = new Shape();
		layer.addChild(shadowLayer);
		flatLayer = new Sprite();
		layer.addChild(flatLayer);
		turnLayer = new Sprite();
		layer.addChild(turnLayer);
		frontMask = new Shape();
		backMask = new Shape();
		shade = new Shape();
		paperBack = new PageSlot(-1, "", config.width, config.height, config.loaderColor, function(_) {});
		var g = paperBack.holder.graphics;
		g.beginFill(0xF2F2F2);
		g.drawRect(0, 0, config.width, config.height);
		g.endFill();
		paperBack.holder.getChildAt(0).alpha = 0.0;
		addEventListener(Event.ENTER_FRAME, tick);
	}

	inline function get_turning()
		return turn != null;

	// ---- pages and spreads ----

	public var spread(get, never):Int;

	inline function get_spread()
		return spreadOf(page);

	public var lastSpread(get, never):Int;

	inline function get_lastSpread()
		return pageCount >> 1;

	static inline function spreadOf(p:Int):Int
		return (p + 1) >> 1;

	static inline function firstOfSpread(s:Int):Int
		return s <= 0 ? 0 : 2 * s - 1;

	/** The pages now on view, 0-based, left to right. */
	public function visiblePages():Array<Int> {
		if (pageCount == 0)
			return [];
		if (single)
			return [page];
		var s = spread;
		var out:Array<Int> = [];
		if (s > 0)
			out.push(2 * s - 1);
		if (2 * s < pageCount)
			out.push(2 * s);
		return out;
	}

	public function loadedPages():Array<Int> {
		var out:Array<Int> = [];
		for (k in slots.keys())
			if (slots.get(k).state == Loaded || slots.get(k).state == Failed)
				out.push(k);
		out.sort(function(a, b) return a - b);
		return out;
	}

	public function livePages():Int {
		var n = 0;
		for (_ in slots.keys())
			n++;
		return n;
	}

	public function visibleSettled():Bool {
		for (p in visiblePages()) {
			var s = slots.get(p);
			if (s == null || s.state == Loading || s.state == Idle)
				return false;
		}
		return true;
	}

	public function stateOf(p:Int):String {
		var s = slots.get(p);
		return s == null ? "none" : switch (s.state) {
			case Idle: "idle";
			case Loading: "loading";
			case Loaded: "loaded";
			case Failed: "failed";
		}
	}

	function slot(p:Int):Null<PageSlot> {
		if (p < 0 || p >= pageCount)
			return null;
		var s = slots.get(p);
		if (s == null) {
			s = new PageSlot(p, resolve(config.pages[p]), config.width, config.height, config.loaderColor, settled);
			slots.set(p, s);
		}
		return s;
	}

	function resolve(src:String):String {
		if (src == "")
			return "";
		if (src.indexOf("://") > 0 || StringTools.startsWith(src, "/"))
			return src;
		return baseUrl + src;
	}

	function settled(s:PageSlot) {
		if (onPageSettled != null)
			onPageSettled(s);
		pump();
		changed();
	}

	/** Keeps the pages of the nearby spreads and drops the others; starts loads, nearest first. */
	function refreshWindow() {
		var wanted = new Map<Int, Bool>();
		var order:Array<Int> = [];
		function want(p:Int) {
			if (p >= 0 && p < pageCount && !wanted.exists(p)) {
				wanted.set(p, true);
				order.push(p);
			}
		}
		for (p in visiblePages())
			want(p);
		if (turn != null) {
			for (s in [turn.front, turn.back, turn.under])
				if (s != null && s.index >= 0)
					want(s.index);
		}
		var s = spread;
		for (d in 1...KEEP_SPREADS + 1) {
			for (t in [s + d, s - d]) {
				if (t < 0 || t > lastSpread)
					continue;
				want(2 * t - 1);
				want(2 * t);
			}
		}
		for (k in [for (k in slots.keys()) k]) {
			if (!wanted.exists(k)) {
				var sl = slots.get(k);
				sl.unload();
				if (sl.holder.parent != null)
					sl.holder.parent.removeChild(sl.holder);
				sl.holder.mask = null;
				slots.remove(k);
			}
		}
		pending = order;
		for (p in order)
			slot(p);
		pump();
	}

	var pending:Array<Int> = [];

	function pump() {
		var busy = 0;
		for (s in slots)
			if (s.busy)
				busy++;
		for (p in pending) {
			if (busy >= MAX_PARALLEL_LOADS)
				break;
			var s = slots.get(p);
			if (s != null && s.state == Idle) {
				s.load();
				if (s.busy)
					busy++;
			}
		}
	}

	// ---- layout ----

	/** Places the book inside the given stage area. */
	public function setViewport(x:Float, y:Float, w:Float, h:Float, singlePage:Bool) {
		viewX = x;
		viewY = y;
		viewW = Math.max(w, 10);
		viewH = Math.max(h, 10);
		if (singlePage != single || !laidOut) {
			laidOut = true;
			finishTurn();
			var first = page;
			single = singlePage;
			page = single ? first : firstOfSpread(spreadOf(first));
			refreshWindow();
		}
		var bw = single ? config.width : 2 * config.width;
		baseScale = Math.min(viewW / bw, viewH / config.height);
		placeLayer();
		render();
	}

	function placeLayer() {
		var s = baseScale * ZOOMS[zoomLevel];
		layer.scaleX = layer.scaleY = s;
		var bw = (single ? config.width : 2 * config.width) * s;
		var bh = config.height * s;
		// Panning is limited so that part of the book always stays in view.
		var mx = Math.max(0, (bw - viewW) / 2), my = Math.max(0, (bh - viewH) / 2);
		panX = Math.max(-mx, Math.min(mx, panX));
		panY = Math.max(-my, Math.min(my, panY));
		var left = viewX + (viewW - bw) / 2 + panX;
		layer.x = single ? left : left + config.width * s;
		layer.y = viewY + (viewH - bh) / 2 + panY;
	}

	public function zoomIn() {
		if (zoomLevel < ZOOMS.length - 1) {
			zoomLevel++;
			placeLayer();
			changed();
		}
	}

	public function zoomOut() {
		if (zoomLevel > 0) {
			zoomLevel--;
			if (zoomLevel == 0)
				panX = panY = 0;
			placeLayer();
			changed();
		}
	}

	public function panBy(dx:Float, dy:Float) {
		panX += dx;
		panY += dy;
		placeLayer();
	}

	public var zoomed(get, never):Bool;

	inline function get_zoomed()
		return zoomLevel > 0;

	/** Draws the pages at rest (those not taking part in a turn). */
	function render() {
		while (flatLayer.numChildren > 0)
			flatLayer.removeChildAt(0);
		var w = config.width, h = config.height;
		var shown:Array<{p:Int, x:Float}> = [];
		if (single) {
			if (pageCount > 0)
				shown.push({p: page, x: 0});
			if (turn != null && turn.under != null)
				shown = [];
		} else {
			var s = spread;
			var left = s > 0 ? 2 * s - 1 : -1;
			var right = 2 * s < pageCount ? 2 * s : -1;
			if (turn != null) {
				if (turn.dir > 0)
					right = -1;
				else
					left = -1;
			}
			if (left >= 0)
				shown.push({p: left, x: -w});
			if (right >= 0)
				shown.push({p: right, x: 0});
		}
		var g = shadowLayer.graphics;
		g.clear();
		var minX = 1e9, maxX = -1e9;
		for (it in shown) {
			var sl = slot(it.p);
			sl.holder.mask = null;
			sl.holder.transform.matrix = new Matrix(1, 0, 0, 1, it.x, 0);
			flatLayer.addChild(sl.holder);
			minX = Math.min(minX, it.x);
			maxX = Math.max(maxX, it.x + w);
		}
		if (turn != null) {
			// The shadow covers the whole spread while a page is in the air.
			if (single) {
				minX = 0;
				maxX = w;
			} else {
				if (spread > 0 || (turn.dir < 0 && turn.under != null)) minX = Math.min(minX, -w);
				if (2 * spread < pageCount || turn.dir > 0) maxX = Math.max(maxX, w);
			}
		}
		if (maxX > minX) {
			g.beginFill(0x000000, 0.18);
			g.drawRect(minX + 3, 3, maxX - minX, h);
			g.endFill();
		}
		if (!single && shown.length > 0 || (turn != null && !single)) {
			// Soft shading along the spine.
			var m = new Matrix();
			m.createGradientBox(w * 0.08, h, 0, -w * 0.04, 0);
			var sh = new Shape();
			sh.graphics.beginGradientFill(GradientType.LINEAR, [0x000000, 0x000000, 0x000000], [0, 0.12, 0], [0, 128, 255], m);
			sh.graphics.drawRect(Math.max(minX, -w * 0.04), 0, Math.min(maxX, w * 0.04) - Math.max(minX, -w * 0.04), h);
			sh.graphics.endFill();
			flatLayer.addChild(sh);
		}
	}

	// ---- navigation ----

	public function canGoBack():Bool
		return single ? page > 0 : spread > 0;

	public function canGoForward():Bool
		return single ? page < pageCount - 1 : spread < lastSpread;

	public function next()
		goToFirstPage(single ? page + 1 : firstOfSpread(spread + 1));

	public function prev()
		goToFirstPage(single ? page - 1 : firstOfSpread(spread - 1));

	public function first()
		goToFirstPage(0);

	public function last()
		goToFirstPage(single ? pageCount - 1 : firstOfSpread(lastSpread));

	/** Opens the book at the page with the given 1-based number, clamped to the book. */
	public function goToNumber(n:Int) {
		var p = Std.int(Math.max(0, Math.min(pageCount - 1, n - 1)));
		goToFirstPage(single ? p : firstOfSpread(spreadOf(p)));
	}

	function goToFirstPage(p:Int) {
		if (pageCount == 0)
			return;
		finishTurn();
		if (p < 0 || p >= pageCount || p == page)
			return;
		var t = startTurn(p, true, false);
		if (t == null)
			return;
		animate(t, true, true);
	}

	/**
		Sets up a turn towards the spread (or page) whose first page is p.
		Returns null when there is no page to turn.
	**/
	function startTurn(p:Int, cornerBottom:Bool, forDrag:Bool):Null<Turn> {
		var w = config.width;
		var forward = p > page;
		var t = new Turn();
		t.target = p;
		t.fold = new Fold(w, config.height, cornerBottom);
		if (single) {
			t.dir = 1;
			t.front = slot(forward ? page : p);
			t.under = slot(forward ? p : page);
			t.back = paperBack;
			t.reverse = !forward;
		} else {
			var s = spread, ts = spreadOf(p);
			if (forward) {
				t.dir = 1;
				t.front = slot(2 * s);
				t.back = slot(2 * ts - 1);
				t.under = slot(2 * ts);
			} else {
				t.dir = -1;
				t.front = slot(2 * s - 1);
				t.back = slot(2 * ts);
				t.under = slot(2 * ts - 1);
			}
			if (t.front == null)
				return null;
		}
		t.rest = t.fold.c.clone();
		t.done = new Vec2(-w, t.fold.c.y);
		turn = t;
		if (t.reverse)
			t.fold.moveTo(t.done.x, t.done.y);
		refreshWindow();
		render();
		drawTurn();
		return t;
	}

	/** Animates the corner to complete (commit) or undo the turn. */
	function animate(t:Turn, commit:Bool, lift:Bool) {
		t.dragging = false;
		t.animating = true;
		t.commit = commit;
		t.lift = lift;
		t.from = t.fold.p.clone();
		var complete = t.reverse ? t.rest : t.done;
		var undo = t.reverse ? t.done : t.rest;
		t.to = commit ? complete.clone() : undo.clone();
		var dist = Math.abs(t.to.x - t.from.x) / (2 * config.width);
		t.duration = Math.max(0.12, TURN_SECONDS * Math.sqrt(dist));
		t.t0 = Lib.getTimer() / 1000;
	}

	function tick(_:Event) {
		var t = turn;
		if (t == null || !t.animating)
			return;
		var k = (Lib.getTimer() / 1000 - t.t0) / t.duration;
		if (k >= 1) {
			endTurn(t.commit);
			return;
		}
		var e = 1 - (1 - k) * (1 - k);
		var x = t.from.x + (t.to.x - t.from.x) * e;
		var y = t.from.y + (t.to.y - t.from.y) * e;
		if (t.lift) {
			var up = Math.sin(Math.PI * k) * config.height * 0.1;
			y += t.fold.c.y > 0 ? -up : up;
		}
		t.fold.moveTo(x, y);
		drawTurn();
	}

	/** Settles a running turn at once, as if its animation had ended. */
	public function finishTurn() {
		if (turn != null)
			endTurn(turn.animating ? turn.commit : false);
	}

	function endTurn(commit:Bool) {
		var t = turn;
		turn = null;
		for (s in [t.front, t.back, t.under]) {
			if (s != null) {
				s.holder.mask = null;
				if (s.holder.parent != null)
					s.holder.parent.removeChild(s.holder);
			}
		}
		while (turnLayer.numChildren > 0)
			turnLayer.removeChildAt(0);
		if (commit)
			page = t.target;
		refreshWindow();
		render();
		changed();
		if (onTurned != null)
			onTurned(page);
	}

	/** Draws the pages taking part in the turn for the corner's current place. */
	function drawTurn() {
		var t = turn;
		if (t == null)
			return;
		var w = config.width;
		var f = t.fold;
		turnLayer.scaleX = t.dir;
		while (turnLayer.numChildren > 0)
			turnLayer.removeChildAt(0);
		// Placement of a page lying flat, in the turn's coordinates: mirroring
		// the turn layer must not mirror the pages.
		function flat(side:Int):Matrix {
			// side 1: right of the spine, -1: left.
			var m = new Matrix(1, 0, 0, 1, side > 0 ? 0 : -w, 0);
			if (t.dir < 0)
				m.concat(new Matrix(-1, 0, 0, 1, 0, 0));
			return m;
		}
		var under = t.under;
		if (under != null) {
			under.holder.mask = null;
			under.holder.transform.matrix = single ? new Matrix() : flat(t.dir);
			turnLayer.addChild(under.holder);
		}
		var fl = f.flatPart();
		var fo = f.foldedPart();
		// Shadow cast by the lifted page on the page underneath.
		if (f.folded && under != null) {
			var line = f.foldLine();
			if (line != null)
				drawShade(shade, f, f.uncoveredPart(), 0.4, w * 0.35);
			turnLayer.addChild(shade);
		}
		if (t.front != null && fl.length >= 3) {
			t.front.holder.transform.matrix = single ? new Matrix() : flat(t.dir);
			turnLayer.addChild(t.front.holder);
			fill(frontMask, fl);
			turnLayer.addChild(frontMask);
			t.front.holder.mask = frontMask;
		}
		if (t.back != null && fo.length >= 3) {
			// Back side: the page's final place, mirrored at the spine, then folded over.
			var m = single ? new Matrix() : flat(-t.dir);
			m.concat(new Matrix(-1, 0, 0, 1, 0, 0));
			if (single)
				m = new Matrix(-1, 0, 0, 1, w, 0);
			var r = f.reflection();
		m.concat(new Matrix(r.a, r.b, r.c, r.d, r.tx, r.ty));
			t.back.holder.transform.matrix = m;
			turnLayer.addChild(t.back.holder);
			fill(backMask, fo);
			turnLayer.addChild(backMask);
			t.back.holder.mask = backMask;
			var bs = new Shape();
			drawShade(bs, f, fo, 0.22, w * 0.25, true);
			turnLayer.addChild(bs);
		}
	}

	static function fill(s:Shape, poly:Array<Vec2>) {
		var g = s.graphics;
		g.clear();
		g.beginFill(0xFF0000);
		g.moveTo(poly[0].x, poly[0].y);
		for (i in 1...poly.length)
			g.lineTo(poly[i].x, poly[i].y);
		g.lineTo(poly[0].x, poly[0].y);
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
		g.moveTo(poly[0].x, poly[0].y);
		for (i in 1...poly.length)
			g.lineTo(poly[i].x, poly[i].y);
		g.lineTo(poly[0].x, poly[0].y);
		g.endFill();
	}

	// ---- mouse turning ----

	var grabStart:Vec2;
	var grabMouse:Point;
	var pressed:Bool = false;
	var pressTurn:Int = 0; // 1 forward, -1 back, 0 none
	var pressX:Float = 0;
	var pressY:Float = 0;
	var panning:Bool = false;
	var moved:Bool = false;

	/** Mouse pressed at a stage point. Returns true when the book takes the press. */
	public function press(sx:Float, sy:Float):Bool {
		if (pageCount == 0)
			return false;
		var lp = layer.globalToLocal(new Point(sx, sy));
		var w = config.width, h = config.height;
		var inside = lp.y >= 0 && lp.y <= h && (single ? lp.x >= 0 && lp.x <= w : lp.x >= -w && lp.x <= w);
		if (!inside)
			return false;
		pressed = true;
		moved = false;
		pressX = sx;
		pressY = sy;
		panning = zoomed;
		pressTurn = 0;
		if (panning)
			return true;
		finishTurn();
		var onRight = single ? lp.x >= w / 2 : lp.x >= 0;
		if (onRight && canGoForward())
			pressTurn = 1;
		else if (!onRight && canGoBack())
			pressTurn = -1;
		return true;
	}

	public function drag(sx:Float, sy:Float) {
		if (!pressed)
			return;
		if (!moved && Math.abs(sx - pressX) + Math.abs(sy - pressY) < 5)
			return;
		if (panning) {
			panBy(sx - pressX, sy - pressY);
			pressX = sx;
			pressY = sy;
			moved = true;
			return;
		}
		if (pressTurn == 0)
			return;
		var lp = layer.globalToLocal(new Point(sx, sy));
		if (!moved) {
			moved = true;
			var dl = layer.globalToLocal(new Point(pressX, pressY));
			var target = pressTurn > 0 ? (single ? page + 1 : firstOfSpread(spread + 1)) : (single ? page - 1 : firstOfSpread(spread - 1));
			var t = startTurn(target, dl.y >= config.height / 2, true);
			if (t == null) {
				pressTurn = 0;
				return;
			}
			t.dragging = true;
			grabMouse = new Point(dl.x, dl.y);
			grabStart = t.fold.p.clone();
		}
		var t = turn;
		if (t == null || !t.dragging)
			return;
		var dx = (lp.x - grabMouse.x) * t.dir, dy = lp.y - grabMouse.y;
		if (single)
			dx *= 2;
		t.fold.moveTo(grabStart.x + dx, grabStart.y + dy);
		drawTurn();
	}

	public function release(sx:Float, sy:Float) {
		if (!pressed)
			return;
		pressed = false;
		if (panning) {
			panning = false;
			return;
		}
		var t = turn;
		if (!moved) {
			if (pressTurn > 0)
				next();
			else if (pressTurn < 0)
				prev();
			return;
		}
		if (t != null && t.dragging) {
			var past = t.fold.p.x < config.width * 0.5;
			animate(t, t.reverse ? !past : past, false);
		}
	}

	function changed() {
		if (onChange != null)
			onChange();
	}
}
