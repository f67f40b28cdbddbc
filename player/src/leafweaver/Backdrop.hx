package leafweaver;

import flash.display.Bitmap;
import flash.display.Loader;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLRequest;
import flash.system.LoaderContext;

/** The stage behind the book: a colour, or a picture covering the stage. */
class Backdrop extends Sprite {
	static inline var DEFAULT_COLOUR = 0x5A6470;

	/** False while the picture is on its way. */
	public var settled(default, null):Bool = true;
	/** Called when the picture has come in or failed. */
	public var onSettled:Void->Void;

	var colour:Int = DEFAULT_COLOUR;
	var image:Loader;
	var stageW:Float = 0;
	var stageH:Float = 0;

	public function new() {
		super();
	}

	public function setColour(c:Int) {
		colour = c;
		fit(stageW, stageH);
	}

	/** Loads the picture; once it is in, it covers the stage. A missing picture leaves the colour. */
	public function loadImage(url:String) {
		image = new Loader();
		settled = false;
		image.contentLoaderInfo.addEventListener(Event.INIT, function(_) {
			try {
				var b:Bitmap = cast image.content;
				b.smoothing = true;
			} catch (e:Dynamic) {}
			addChild(image);
			fit(stageW, stageH);
			settle();
		});
		image.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, function(_) settle());
		image.contentLoaderInfo.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(_) settle());
		image.load(new URLRequest(url), new LoaderContext(false));
	}

	function settle() {
		settled = true;
		if (onSettled != null)
			onSettled();
	}

	/** Fills a stage of w by h. */
	public function fit(w:Float, h:Float) {
		stageW = w;
		stageH = h;
		var g = graphics;
		g.clear();
		g.beginFill(colour);
		g.drawRect(0, 0, w, h);
		g.endFill();
		if (image != null && image.parent != null) {
			// Cover the stage, keeping the picture's proportions.
			var iw = image.contentLoaderInfo.width, ih = image.contentLoaderInfo.height;
			if (iw > 0 && ih > 0) {
				var s = Math.max(w / iw, h / ih);
				image.scaleX = image.scaleY = s;
				image.x = (w - iw * s) / 2;
				image.y = (h - ih * s) / 2;
			}
		}
	}
}
